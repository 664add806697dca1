// Helpers shared by the unit tests of several folders; linked only into test programs.
#ifndef SAVETITLE_TESTING_TEST_SUPPORT_H_
#define SAVETITLE_TESTING_TEST_SUPPORT_H_

#include <cstddef>
#include <string>

#include "fs/fs.h"

// Swaps the JSON allocation hooks for counting ones while alive; restores them after.
// With fail_at = k > 0, the k-th request (counting from 1) returns null.
class CountingAllocator {
 public:
  explicit CountingAllocator(std::size_t fail_at = 0);
  ~CountingAllocator();
  CountingAllocator(const CountingAllocator&) = delete;
  CountingAllocator& operator=(const CountingAllocator&) = delete;

  std::size_t requests() const { return requests_; }        // every call of the allocate hook
  std::size_t outstanding() const { return outstanding_; }  // blocks handed out, not released

 private:
  static void* Allocate(std::size_t size);
  static void Release(void* block);

  inline static std::size_t requests_ = 0;
  inline static std::size_t outstanding_ = 0;
  inline static std::size_t fail_at_ = 0;
  void* (*saved_allocate_)(std::size_t);
  void (*saved_release_)(void*);
};

// A fresh folder under the system's temporary folder, removed with all it holds when
// the object goes, whether or not the test passed.
class ScopedTempDir {
 public:
  ScopedTempDir();
  ~ScopedTempDir();
  ScopedTempDir(const ScopedTempDir&) = delete;
  ScopedTempDir& operator=(const ScopedTempDir&) = delete;

  const std::string& path() const { return path_; }  // narrow, no trailing separator
  std::string Join(const std::string& name) const;   // path() + separator + name

 private:
  std::string path_;
};

// Whole pages from the system, for tests of what a reader does at the end of the page a
// text ends in: Forbid makes a page fault on any access, and says whether it could. ok()
// is false where the pages could not be had.
class TestPages {
 public:
  explicit TestPages(std::size_t count);
  ~TestPages();
  TestPages(const TestPages&) = delete;
  TestPages& operator=(const TestPages&) = delete;

  bool ok() const { return base_ != nullptr; }
  char* Page(std::size_t index) const { return base_ + index * size_; }
  bool Forbid(std::size_t index);

 private:
  char* base_ = nullptr;
  std::size_t size_ = 0;   // of one page
  std::size_t count_ = 0;
};

// path with the platform's separator in place of every "/".
std::string NativeSeparators(std::string path);

// Whole-file helpers over the standard library; ReadFile gives "" for a missing file.
std::string ReadWholeFileForTest(const std::string& path);
void WriteFileForTest(const std::string& path, const std::string& bytes);

// A path in the form the file services take; Windows reads path as UTF-8.
using NativeString = std::basic_string<PathChar>;
NativeString NativePath(const std::string& path);

#endif  // SAVETITLE_TESTING_TEST_SUPPORT_H_
