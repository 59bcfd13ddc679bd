// Keeps the benchmark support library non-empty.
namespace mirev_bench { int anchor = 0; }
