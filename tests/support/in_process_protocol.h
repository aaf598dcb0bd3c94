// Test support: the engine's protocol run inside the test process, its input
// read from a file and its output written to one, in a temporary working
// directory of its own where the transcript goes.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "base/platform_io.h"
#include "frontend/chess_uci.h"
#include "support/engine_process.h"

// A fixture that points the protocol descriptors at "input.txt" and
// "output.txt" in the test's directory for the test's life, and puts the
// process's own descriptors back afterwards.
class InProcessProtocol : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_in_ = g_uci_input_fd;
    saved_out_ = g_uci_output_fd;
    out_fd_ = io_open_truncate(dir_.file("output.txt").c_str());
    ASSERT_GE(out_fd_, 0);
    g_uci_output_fd = out_fd_;
  }
  void TearDown() override {
    // The input thread reads this test's input: it must be done with it
    // before the descriptor goes.
    UCI_close_input();
    g_uci_input_fd = saved_in_;
    g_uci_output_fd = saved_out_;
    if (in_fd_ >= 0) io_close(in_fd_);
    io_close(out_fd_);
  }
  // Makes the bytes the protocol input, read from their start; returns the
  // descriptor (negative if the file could not be opened).
  int input(const std::string &bytes) {
    UCI_close_input();
    if (in_fd_ >= 0) io_close(in_fd_);
    dir_.write_file("input.txt", bytes);
    in_fd_ = io_open_read(dir_.file("input.txt").c_str());
    g_uci_input_fd = in_fd_;
    return in_fd_;
  }
  std::string output() const { return dir_.read_file("output.txt").value_or("<missing>"); }
  std::optional<std::string> transcript() const { return dir_.read_file("UCI_debug.txt"); }

  TempDir dir_;
  ScopedWorkingDir cwd_{dir_.path()};
  int saved_in_ = 0, saved_out_ = 1;
  int in_fd_ = -1, out_fd_ = -1;
};
