// tk52cli's standard output and standard error. The program's texts are UTF-8 in the sources;
// a terminal gets them in its own encoding: bytes of UTF-8 on a Linux terminal (or Windows-1251
// when a script asks for it with --encoding), wide characters through the console on Windows,
// where a console's code page would otherwise turn them into question marks. The files the
// program keeps (--out, --log) are not written here: they stay Windows-1251 with CR LF.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace tk52::cli {

enum class TextEncoding { kUtf8, kCp1251 };

// The encoding of what goes to standard output and standard error when they are not a console.
void set_output_encoding(TextEncoding encoding);
TextEncoding output_encoding();
// "utf-8" (or "utf8") and "cp1251" (or "windows-1251"), in any letter case.
bool parse_encoding(std::string_view text, TextEncoding& encoding);

// The bytes that stand for UTF-8 `text` in `encoding` (characters without a Windows-1251 form
// become '?').
std::string encode_text(std::string_view utf8, TextEncoding encoding);
// A line of a Windows-1251 file for standard output: the same bytes for Windows-1251, UTF-8
// with a plain line end otherwise.
std::string file_line_for_output(std::string_view cp1251_line, TextEncoding encoding);

// Writes UTF-8 text to `stream` (standard output or standard error) as the terminal reads it.
// False when the write failed; a failed write to standard output also sets its error flag, so
// that output_failed() reports it.
bool write_text(std::FILE* stream, std::string_view utf8);
// The same for a line of the Windows-1251 file bytes (journal lines), CR LF included.
bool write_file_line(std::FILE* stream, std::string_view cp1251_line);

// printf to standard error, UTF-8 format and arguments.
#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
void print_error(const char* format, ...);

// The platform's console, when the stream is one (Windows only; elsewhere never).
bool stream_is_console(std::FILE* stream);
// Whether `stream` is a terminal a person watches (a console on Windows, a tty elsewhere): progress
// lines go there only, never into a pipe or a file.
bool stream_is_terminal(std::FILE* stream);
// Writes UTF-8 text to the console behind `stream` as wide characters.
bool write_console(std::FILE* stream, std::string_view utf8);

}  // namespace tk52::cli
