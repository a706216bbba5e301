// A program that does nothing but return 42: if the Windows emulation
// really runs 32-bit programs, its exit status comes back as 42.
int main() { return 42; }
