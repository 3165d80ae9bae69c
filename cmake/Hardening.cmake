# SPDX-License-Identifier: GPL-3.0-or-later
# Hardening of optimised builds, as Debian builds its own packages: fortified libc calls, stack
# protector, position-independent executables and a read-only relocation table bound at start.
# Left off for sanitizer builds (VORN_SANITIZE, -fsanitize in CMAKE_CXX_FLAGS, or
# VORN_HARDENING=OFF), where
# fortified calls hide what the sanitizers look for.
option(VORN_HARDENING "Harden optimised builds (fortify, stack protector, PIE, RELRO, BIND_NOW)" ON)
if(VORN_HARDENING AND CMAKE_BUILD_TYPE MATCHES "^(Release|RelWithDebInfo|MinSizeRel)$"
   AND NOT VORN_SANITIZE AND NOT CMAKE_CXX_FLAGS MATCHES "-fsanitize")
  include(CheckPIESupported)
  check_pie_supported()
  set(CMAKE_POSITION_INDEPENDENT_CODE ON)
  add_compile_options(-U_FORTIFY_SOURCE -D_FORTIFY_SOURCE=2 -fstack-protector-strong)
  add_link_options(-Wl,-z,relro,-z,now)
endif()
