/* Preloaded into 32-bit Wine when it runs under qemu-i386 (on a kernel without 32-bit
 * support): scripts/wine-run builds and uses it there.
 *
 * At start-up Wine reserves the free parts of the address space with mmap and
 * MAP_FIXED_NOREPLACE, halving any range it does not get until the pieces are 64 KiB.
 * qemu-i386 7 takes that flag for a mere hint and maps such a range elsewhere, so every
 * range looks taken and each Wine process spends minutes on hundreds of thousands of
 * mmap calls. Here a MAP_FIXED_NOREPLACE request whose range no mapping overlaps
 * becomes a MAP_FIXED one, which is what the flag means on a kernel that knows it. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdint.h>
#include <stdio.h>
#include <sys/mman.h>
#include <sys/types.h>

#ifndef MAP_FIXED_NOREPLACE
#define MAP_FIXED_NOREPLACE 0x100000
#endif

static int RangeIsFree(uintptr_t start, uintptr_t end) {
  FILE* maps = fopen("/proc/self/maps", "r");
  if (maps == NULL) {
    return 0;
  }
  char line[512];
  unsigned long low = 0;
  unsigned long high = 0;
  int free = 1;
  while (free && fgets(line, sizeof line, maps) != NULL) {
    free = !(sscanf(line, "%lx-%lx", &low, &high) == 2 && low < end && high > start);
  }
  fclose(maps);
  return free;
}

static int Flags(void* address, size_t length, int flags) {
  uintptr_t start = (uintptr_t)address;
  if ((flags & MAP_FIXED_NOREPLACE) && start != 0 && start + length > start &&
      RangeIsFree(start, start + length)) {
    flags = (flags & ~MAP_FIXED_NOREPLACE) | MAP_FIXED;
  }
  return flags;
}

typedef void* (*Mmap64)(void*, size_t, int, int, int, off64_t);
typedef void* (*Mmap)(void*, size_t, int, int, int, off_t);

void* mmap64(void* address, size_t length, int protection, int flags, int fd, off64_t offset) {
  static Mmap64 next;
  if (next == NULL) {
    next = (Mmap64)dlsym(RTLD_NEXT, "mmap64");
  }
  return next(address, length, protection, Flags(address, length, flags), fd, offset);
}

void* mmap(void* address, size_t length, int protection, int flags, int fd, off_t offset) {
  static Mmap next;
  if (next == NULL) {
    next = (Mmap)dlsym(RTLD_NEXT, "mmap");
  }
  return next(address, length, protection, Flags(address, length, flags), fd, offset);
}
