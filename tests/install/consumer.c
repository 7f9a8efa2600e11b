/* A program that uses the installed plug-in as a host would: it starts the handler, names a
   store, and ends it, which saves the store. Prints the store's first byte on success. */
#include <pim_handler.h>
#include <stdio.h>

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: consumer STORE\n");
    return 2;
  }
  if (PIMHandler_Init() != 0) return 1;
  if (PIMHandler_Prepare(2, 100, 100, "", "", "", "", argv[1]) != 0) return 1;
  PIMHandler_Deinit();
  FILE* store = fopen(argv[1], "rb");
  if (store == NULL) return 1;
  const int head = fgetc(store);
  fclose(store);
  printf("store saved, head %d\n", head);
  return head == 1 ? 0 : 1;
}
