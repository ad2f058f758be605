// tk52cli: the configurator's operations from a terminal.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "decode.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

constexpr const char* kUsage =
    "usage: tk52cli <command> [options]\n"
    "\n"
    "commands:\n"
    "  decode [--model N] [FILE]   decode the sentences of FILE (standard input when absent):\n"
    "                              one JSON object per line that holds a \"$\". N (0..4) is\n"
    "                              the model type to start with; identification replies in\n"
    "                              the input change it. Reads traffic logs (journal.txt) too.\n"
    "  help                        this text\n";

int usage_error(const std::string& message) {
  std::fprintf(stderr, "tk52cli: %s\n\n%s", message.c_str(), kUsage);
  return 2;
}

bool parse_int(std::string_view text, int lo, int hi, int& value) {
  if (text.empty() || text.size() > 9)
    return false;
  int v = 0;
  for (char c : text) {
    if (c < '0' || c > '9')
      return false;
    v = v * 10 + (c - '0');
  }
  if (v < lo || v > hi)
    return false;
  value = v;
  return true;
}

int run_decode(const std::vector<std::string_view>& args) {
  int model = 0;
  const char* path = nullptr;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--model") {
      if (i + 1 >= args.size() || !parse_int(args[i + 1], 0, 4, model)) {
        return usage_error("--model takes a model type from 0 to 4");
      }
      ++i;
    } else if (!args[i].empty() && args[i][0] == '-' && args[i] != "-") {
      return usage_error("unknown option " + std::string(args[i]));
    } else if (path == nullptr) {
      path = args[i].data();
    } else {
      return usage_error("decode takes one file");
    }
  }

  std::FILE* in = stdin;
  if (path != nullptr && std::string_view(path) != "-") {
    in = std::fopen(path, "rb");
    if (in == nullptr) {
      std::fprintf(stderr, "tk52cli: cannot open %s: %s\n", path, std::strerror(errno));
      return 1;
    }
  }
  const long long decoded = tk52::cli::decode_stream(in, stdout, model);
  const int read_error = errno;
  if (in != stdin)
    std::fclose(in);
  if (decoded < 0) {
    std::fprintf(stderr, "tk52cli: cannot read %s: %s\n", path ? path : "standard input",
                 std::strerror(read_error));
    return 1;
  }
  if (std::fflush(stdout) != 0) {
    std::fprintf(stderr, "tk52cli: cannot write the output: %s\n", std::strerror(errno));
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
  // Sentences and logs are bytes: no CR LF translation on the way in or out.
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
#endif
  if (argc < 2)
    return usage_error("no command given");
  const std::string_view command = argv[1];
  const std::vector<std::string_view> args(argv + 2, argv + argc);
  if (command == "decode")
    return run_decode(args);
  if (command == "help" || command == "--help" || command == "-h") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  return usage_error("unknown command " + std::string(command));
}
