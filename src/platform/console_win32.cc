// The console route: a pipe in place of each console descriptor and one
// thread writing what comes through it with WriteConsoleW.
#include "platform/console_win32.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace blobsmith {

namespace {

// Bytes read from the pipe at once; a cut UTF-8 sequence (at most 3 bytes)
// waits before them for the rest.
constexpr DWORD CHUNK_SIZE = 4096;
constexpr size_t HELD_MAX = 3;

// The process-wide record of the route. Process-wide by necessity: the
// handler that ends it runs at exit and is given nothing.
struct ConsoleRoute {
  bool tried;
  int saved[3];  // a descriptor of the console for 1 and 2 while routed, or -1
  int pipe_fd;   // the pipe's writing end, or -1
  HANDLE thread;
  HANDLE console;  // what the thread writes to
  HANDLE pipe;     // what it reads from
};
ConsoleRoute g_route = {false, {-1, -1, -1}, -1, nullptr, nullptr, nullptr};

bool is_console(const int fd) {
  const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
  DWORD mode = 0;
  return handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) != 0;
}

// The length of the bytes that end no UTF-8 sequence early: a lead byte in
// the last three whose sequence would need more than the bytes after it is
// held back with them.
size_t whole_length(const char* bytes, const size_t length) {
  for (size_t back = 1; back <= HELD_MAX && back <= length; ++back) {
    const unsigned byte = static_cast<unsigned char>(bytes[length - back]);
    if ((byte & 0xC0) == 0x80) continue;  // a continuation byte: look further back
    const size_t needed = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
    return needed > back ? length - back : length;
  }
  return length;
}

void write_console(const char* bytes, const size_t length, wchar_t (&text)[CHUNK_SIZE + HELD_MAX]) {
  if (length == 0) return;
  // Bytes that are not UTF-8 (none of the tool's lines hold any) show as
  // U+FFFD.
  const int units = MultiByteToWideChar(CP_UTF8, 0, bytes, static_cast<int>(length), text,
                                        static_cast<int>(CHUNK_SIZE + HELD_MAX));
  for (int done = 0; done < units;) {
    DWORD written = 0;
    if (!WriteConsoleW(g_route.console, text + done, static_cast<DWORD>(units - done), &written,
                       nullptr) ||
        written == 0) {
      return;
    }
    done += static_cast<int>(written);
  }
}

DWORD WINAPI carry_to_console(void*) {
  char bytes[CHUNK_SIZE + HELD_MAX];
  wchar_t text[CHUNK_SIZE + HELD_MAX];
  size_t held = 0;
  for (;;) {
    // A write of no bytes reads as no bytes; only the pipe's end (all
    // writing handles closed) fails.
    DWORD got = 0;
    if (!ReadFile(g_route.pipe, bytes + held, CHUNK_SIZE, &got, nullptr)) break;
    const size_t length = held + got;
    const size_t whole = whole_length(bytes, length);
    write_console(bytes, whole, text);
    held = length - whole;
    std::memmove(bytes, bytes + whole, held);
  }
  write_console(bytes, held, text);
  return 0;
}

// At exit: the descriptors become the console again, which closes the pipe's
// last writing handles, and the thread writes out what is left, still
// through the console's handle it was given.
void end_console_route() {
  std::fflush(stdout);
  std::fflush(stderr);
  for (int fd = 1; fd <= 2; ++fd) {
    if (g_route.saved[fd] >= 0) _dup2(g_route.saved[fd], fd);
  }
  _close(g_route.pipe_fd);
  g_route.pipe_fd = -1;
  WaitForSingleObject(g_route.thread, INFINITE);
  CloseHandle(g_route.thread);
  CloseHandle(g_route.pipe);
  for (int fd = 1; fd <= 2; ++fd) {
    if (g_route.saved[fd] >= 0) _close(g_route.saved[fd]);
    g_route.saved[fd] = -1;
  }
}

}  // namespace

void route_console_output() {
  if (g_route.tried) return;
  g_route.tried = true;
  const bool routed[3] = {false, is_console(1), is_console(2)};
  if (!routed[1] && !routed[2]) return;
  HANDLE read_end = nullptr;
  HANDLE write_end = nullptr;
  if (!CreatePipe(&read_end, &write_end, nullptr, 0)) return;
  const int pipe_fd = _open_osfhandle(reinterpret_cast<intptr_t>(write_end), _O_WRONLY | _O_TEXT);
  if (pipe_fd < 0) {
    CloseHandle(read_end);
    CloseHandle(write_end);
    return;
  }
  const int console_fd = _dup(routed[1] ? 1 : 2);
  g_route.console = reinterpret_cast<HANDLE>(_get_osfhandle(console_fd));
  g_route.pipe = read_end;
  g_route.thread =
      console_fd < 0 ? nullptr : CreateThread(nullptr, 0, carry_to_console, nullptr, 0, nullptr);
  if (g_route.thread == nullptr) {
    if (console_fd >= 0) _close(console_fd);
    _close(pipe_fd);
    CloseHandle(read_end);
    return;
  }
  std::fflush(stdout);
  std::fflush(stderr);
  for (int fd = 1; fd <= 2; ++fd) {
    if (!routed[fd]) continue;
    g_route.saved[fd] = fd == (routed[1] ? 1 : 2) ? console_fd : _dup(fd);
    _dup2(pipe_fd, fd);
  }
  g_route.pipe_fd = pipe_fd;
  // Each line goes through as it is printed, as it did to the console.
  if (routed[1]) std::setvbuf(stdout, nullptr, _IONBF, 0);
  std::atexit(end_console_route);
}

int console_descriptor(const int fd) {
  return fd >= 1 && fd <= 2 && g_route.saved[fd] >= 0 ? g_route.saved[fd] : fd;
}

int route_descriptor(const int fd) {
  return fd >= 1 && fd <= 2 && g_route.saved[fd] >= 0 ? g_route.pipe_fd : -1;
}

}  // namespace blobsmith
