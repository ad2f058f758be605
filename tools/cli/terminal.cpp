#include "terminal.h"

#ifndef _WIN32
#include <unistd.h>
#endif

#include <atomic>
#include <cctype>
#include <cstdarg>
#include <vector>

#include "platform/text_1251.h"

namespace tk52::cli {
namespace {

std::atomic<TextEncoding> g_encoding{TextEncoding::kUtf8};

bool write_bytes(std::FILE* stream, std::string_view bytes) {
  if (bytes.empty())
    return std::fflush(stream) == 0;
  return std::fwrite(bytes.data(), 1, bytes.size(), stream) == bytes.size() &&
         std::fflush(stream) == 0;
}

}  // namespace

void set_output_encoding(TextEncoding encoding) {
  g_encoding.store(encoding);
}

TextEncoding output_encoding() {
  return g_encoding.load();
}

bool parse_encoding(std::string_view text, TextEncoding& encoding) {
  std::string lower;
  for (const char c : text)
    lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (lower == "utf-8" || lower == "utf8") {
    encoding = TextEncoding::kUtf8;
    return true;
  }
  if (lower == "cp1251" || lower == "windows-1251") {
    encoding = TextEncoding::kCp1251;
    return true;
  }
  return false;
}

std::string encode_text(std::string_view utf8, TextEncoding encoding) {
  if (encoding == TextEncoding::kCp1251)
    return utf8_to_cp1251(utf8);
  return std::string(utf8);
}

std::string file_line_for_output(std::string_view cp1251_line, TextEncoding encoding) {
  if (encoding == TextEncoding::kCp1251)
    return std::string(cp1251_line);
  std::string text = cp1251_to_utf8(cp1251_line);
  if (text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0)
    text.erase(text.size() - 2, 1);
  return text;
}

bool write_text(std::FILE* stream, std::string_view utf8) {
  if (stream_is_console(stream))
    return write_console(stream, utf8);
  return write_bytes(stream, encode_text(utf8, output_encoding()));
}

bool write_file_line(std::FILE* stream, std::string_view cp1251_line) {
  if (stream_is_console(stream)) {
    return write_console(stream, file_line_for_output(cp1251_line, TextEncoding::kUtf8));
  }
  return write_bytes(stream, file_line_for_output(cp1251_line, output_encoding()));
}

void print_error(const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  std::va_list again;
  va_copy(again, args);
  const int size = std::vsnprintf(nullptr, 0, format, args);
  va_end(args);
  if (size > 0) {
    std::vector<char> text(static_cast<std::size_t>(size) + 1);
    std::vsnprintf(text.data(), text.size(), format, again);
    write_text(stderr, std::string_view(text.data(), static_cast<std::size_t>(size)));
  }
  va_end(again);
}

#ifndef _WIN32
bool stream_is_console(std::FILE*) {
  return false;
}
bool stream_is_terminal(std::FILE* stream) {
  return ::isatty(::fileno(stream)) != 0;
}
bool write_console(std::FILE* stream, std::string_view utf8) {
  return write_bytes(stream, utf8);
}
#endif

}  // namespace tk52::cli
