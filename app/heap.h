// How the tool sets up the process heap before it reads any save.
#ifndef SAVETITLE_APP_HEAP_H_
#define SAVETITLE_APP_HEAP_H_

// Tunes the process heap for the tool's pattern of work: each save becomes a tree of
// tens of thousands of small blocks, all given back before the next save is read.
// Nothing to do where the heap needs no tuning; failure is ignored.
void PrepareProcessHeap();

#endif  // SAVETITLE_APP_HEAP_H_
