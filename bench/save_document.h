// Save-like JSON documents for the benchmarks, made from a fixed seed so that every run
// and every machine measures the same bytes.
#ifndef SAVETITLE_BENCH_SAVE_DOCUMENT_H_
#define SAVETITLE_BENCH_SAVE_DOCUMENT_H_

#include <cstddef>
#include <cstdint>
#include <string>

// A save of at least target_size bytes (a few KiB more at most): the UTF-8 byte-order
// mark, then one Object holding the five members the tool reads and the bulk a
// role-playing game keeps (inventories, flag maps, nested character states, number
// arrays, Chinese names, strings with escapes), written the way .NET serializers indent:
// tabs, CRLF line ends, a space after each colon.
std::string MakeSaveDocument(std::size_t target_size, std::uint64_t seed);

#endif  // SAVETITLE_BENCH_SAVE_DOCUMENT_H_
