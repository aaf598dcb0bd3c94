// The transcript "UCI_debug.txt": every protocol line received and sent, and
// the engine's warnings about bad input, appended in order without prefixes.
#pragma once

// Whether UCI_LOG writes the transcript; the developer tool turns it off so
// that its searches never write into an engine's transcript.
extern bool g_uci_transcript;

// Appends the text to "UCI_debug.txt" if it exists; silent otherwise.
void UCI_LOG(const char *text);

// Creates "UCI_debug.txt" or empties it.
void UCI_CLEAN_LOG();
