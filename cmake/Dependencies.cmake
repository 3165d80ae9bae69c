find_package(Qt6 6.4 REQUIRED COMPONENTS Core Gui Widgets PrintSupport Test)

find_package(PkgConfig REQUIRED)
pkg_check_modules(LIBUSB REQUIRED IMPORTED_TARGET libusb-1.0)
pkg_check_modules(UMOCKDEV IMPORTED_TARGET umockdev-1.0)

# Firebird ships neither pkg-config nor a CMake package.
find_path(FIREBIRD_INCLUDE_DIR firebird/Interface.h REQUIRED)
find_library(FBCLIENT_LIBRARY NAMES fbclient REQUIRED)
add_library(Firebird::fbclient UNKNOWN IMPORTED)
set_target_properties(Firebird::fbclient PROPERTIES
  IMPORTED_LOCATION "${FBCLIENT_LIBRARY}"
  INTERFACE_INCLUDE_DIRECTORIES "${FIREBIRD_INCLUDE_DIR}")

