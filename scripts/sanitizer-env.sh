# Sourced by the sanitizer and fuzz runs: every report aborts, leaks are reported except the
# libraries' own listed in tests/sanitizers/lsan.supp.
top=${top:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
# intercept_tls_get_addr=0: up to LLVM 16 the runtime takes some dynamic TLS blocks (the engine
# plugin is loaded with dlopen and has them) for a pre-2.25 glibc header, reads a wrong range,
# and the leak check's tracer dies at exit ("Tracer caught signal 11"), now and then.
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:detect_stack_use_after_return=0:strict_string_checks=0:allocator_may_return_null=1:intercept_tls_get_addr=0
export LSAN_OPTIONS=suppressions=$top/tests/sanitizers/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
