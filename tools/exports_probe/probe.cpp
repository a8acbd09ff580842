// A module whose export table is known, to prove that the export check notices
// a missing, an unexpected and a decorated export.
extern "C" int Probe(int value) { return value + 1; }
extern "C" int __stdcall ProbeStdcall(int value) { return value + 2; }
