// The transcript "UCI_debug.txt": every protocol line received and sent, and
// the engine's warnings about bad input, appended in order without prefixes.
#pragma once

// Whether UCI_LOG writes the transcript; the developer tool turns it off so
// that its searches never write into an engine's transcript.
extern bool g_uci_transcript;

// Appends the text to the transcript file if it exists; silent otherwise.
void UCI_LOG(const char *text);

// Creates the transcript file or empties it.
void UCI_CLEAN_LOG();

// The transcript file, "UCI_debug.txt" in the working directory unless the
// Transcript option names another; the empty name means no transcript.
// The new file is created or emptied at once (unless empty_it is false),
// and the transcript goes on there.
void set_transcript_file(const char *path, bool empty_it = true);
