// A stand-in for the trendtab executable: links the eighteen exports the same way, so that its
// dynamic symbol table can be checked.
int main() {
    return 0;
}
