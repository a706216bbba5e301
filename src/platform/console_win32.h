// The tool's lines on a Windows console. The tool prints UTF-8 with the C
// runtime; a console would read those bytes in its own code page, which the
// tool must not change (the change would outlive the run). So where standard
// output or standard error is a console, the descriptor is pointed at a pipe
// instead, and a thread of the process's own turns what arrives into UTF-16
// and writes it with WriteConsoleW. Files and pipes get the UTF-8 bytes as
// they are.
#ifndef BLOBSMITH_PLATFORM_CONSOLE_WIN32_H_
#define BLOBSMITH_PLATFORM_CONSOLE_WIN32_H_

namespace blobsmith {

// Routes descriptors 1 and 2, those that are a console, through the thread;
// once per process. Before the process ends, everything written has reached
// the console and both descriptors are the console again. Where no pipe or
// thread can be had, the descriptors stay as they are.
void route_console_output();

// A descriptor for what fd (1 or 2) was before it was routed: the console
// itself. fd when it is not routed.
int console_descriptor(int fd);

// The pipe's descriptor while fd (1 or 2) is routed, -1 otherwise.
int route_descriptor(int fd);

}  // namespace blobsmith

#endif  // BLOBSMITH_PLATFORM_CONSOLE_WIN32_H_
