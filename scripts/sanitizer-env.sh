# Sourced by the sanitizer and fuzz runs: every report aborts, leaks are reported except the
# libraries' own listed in tests/sanitizers/lsan.supp.
top=${top:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:detect_stack_use_after_return=0:strict_string_checks=0:allocator_may_return_null=1
export LSAN_OPTIONS=suppressions=$top/tests/sanitizers/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
