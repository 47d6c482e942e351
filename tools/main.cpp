// The command-line tool is being written.
int main() { return 0; }
