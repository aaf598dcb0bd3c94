// Shared set-up of the fuzz targets: a private working directory for the
// engine's fixed file names, and failure reports that libFuzzer records.
#pragma once

#include <string>

// Makes a fresh temporary directory the working directory for the rest of
// the run, and removes it (with the files in it) when the process exits.
void enter_private_directory(const char *name);

// Replaces the file's content with the bytes.
void write_whole_file(const char *path, const void *data, size_t size);

// Everything in the file; empty when it cannot be read.
std::string read_whole_file(const char *path);
std::string read_whole_descriptor(int fd);

// The lowest free descriptor: the same before and after a call unless the
// call leaked one.
int lowest_free_descriptor();

// Whether the mailbox index is one of the 64 playable squares (a square a
// move word may name).
bool playable(int square);

// Reports a broken property of the engine and aborts, which libFuzzer
// records as a crash with the input that caused it.
[[noreturn]] void fuzz_fail(const std::string &what);
