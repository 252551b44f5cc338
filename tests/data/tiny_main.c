/* A small executable that only carries a version record. */
int main(void) { return 0; }
