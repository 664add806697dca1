#include "testing/test_support.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "json/json.h"

void* CountingAllocator::Allocate(std::size_t size) {
  if (++requests_ == fail_at_) {
    return nullptr;
  }
  void* block = std::malloc(size);
  outstanding_ += block != nullptr;
  return block;
}

void CountingAllocator::Release(void* block) {
  outstanding_ -= block != nullptr;
  std::free(block);
}

CountingAllocator::CountingAllocator(std::size_t fail_at)
    : saved_allocate_(JsonAllocate), saved_release_(JsonRelease) {
  requests_ = 0;
  outstanding_ = 0;
  fail_at_ = fail_at;
  JsonAllocate = Allocate;
  JsonRelease = Release;
}

CountingAllocator::~CountingAllocator() {
  JsonAllocate = saved_allocate_;
  JsonRelease = saved_release_;
}

ScopedTempDir::ScopedTempDir() {
  namespace fs = std::filesystem;
  std::random_device seed;
  std::mt19937_64 random(seed());
  for (;;) {
    fs::path candidate =
        fs::temp_directory_path() / ("savetitle-test-" + std::to_string(random() % 1000000000));
    if (fs::create_directory(candidate)) {
      path_ = candidate.string();
      return;
    }
  }
}

ScopedTempDir::~ScopedTempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string ScopedTempDir::Join(const std::string& name) const {
  return path_ + static_cast<char>(std::filesystem::path::preferred_separator) + name;
}

std::string NativeSeparators(std::string path) {
  for (char& c : path) {
    if (c == '/') {
      c = static_cast<char>(std::filesystem::path::preferred_separator);
    }
  }
  return path;
}

std::string ReadWholeFileForTest(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFileForTest(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}
