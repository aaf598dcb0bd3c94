#include "support/tool_run.h"

#include <sys/wait.h>

#include <cstdio>

ToolRun run_tool(const std::string &args, bool with_stderr) {
  const std::string command =
      shell_quoted(VELKOR_TOOL_BIN) + " " + args + (with_stderr ? " 2>&1" : " 2>/dev/null");
  ToolRun run{-1, ""};
  FILE *pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return run;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, n);
  const int raw = pclose(pipe);
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return run;
}

std::string shell_quoted(const std::string &text) { return "'" + text + "'"; }

std::vector<std::string> complete_lines(const std::string &text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
    lines.push_back(text.substr(start, end - start));
  return lines;
}
