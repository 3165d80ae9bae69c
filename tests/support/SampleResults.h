#pragma once

#include "common/TMsrResult.h"

// The one source of sample results for the tests and the benchmarks. Goldens and expected
// texts are written against these values, so a variant changes here or nowhere.
namespace SampleResults {

// A whole-second result of 2024 numbered n, distinct for every n in every field.
TMsrResult distinct(int n);
// distinct(n) at 1 March 2025 08:00:n with the kind, diameter and F a report test chooses.
TMsrResult chosen(int n, int kind, int diameter, float f);
// distinct(n) with F, P and S repeating and no base or estimate: texts of steady widths over
// large reports.
TMsrResult repeating(int n);
// The n-th result of a large project: dates rising with n over years, every field varied.
TMsrResult rising(int n);
// rising(n) within an instrument record: a 16-bit number and an 8-bit force estimate.
TMsrResult risingRecord(int n);
// A record of 2024 numbered n with only base and F besides: the least a download carries.
TMsrResult bare(int n);
// A record of 1 March 2024 at noon numbered n, nothing else set.
TMsrResult numbered(int n);
// A record with every field within the instrument's widths and S negative.
TMsrResult signedRecord(int n);
// A result of March 2026 on a 12 mm bar, base 150, F 1000 + number: what the window tests
// import.
TMsrResult window(int number);
// One result a day from 2 March 2026 at 10:00 with only diameter, base and F.
TMsrResult daily(int number);
// The results the shutdown test program adds: April 2026, numbered from 100, F from 900.
TMsrResult shutdown(int i);

} // namespace SampleResults
