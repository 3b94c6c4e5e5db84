// Links the whole ledger library into a program without windows (see src/CMakeLists.txt).
int main() { return 0; }
