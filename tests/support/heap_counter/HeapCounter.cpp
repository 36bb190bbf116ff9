#include "HeapCounter.h"

#include <dlfcn.h>
#include <pthread.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <new>

namespace tessaly::bench {
namespace {

enum TOwner : unsigned char { kAgent = 0, kRig = 1 };

struct TCounter {
  std::atomic<std::int64_t> Live{0};
  std::atomic<std::int64_t> Peak{0};
};
TCounter gCounters[2];

thread_local int tRigDepth = 0;

// Sits right before every block handed out: its size, its owner and where the malloc'd block
// starts. Sixteen bytes, so that ordinary blocks keep malloc's alignment.
struct alignas(16) THeader {
  std::size_t Size;
  std::uint32_t Front;
  std::uint32_t Owner;
};

void Count(unsigned owner, std::int64_t bytes) {
  TCounter& c = gCounters[owner];
  const std::int64_t live = c.Live.fetch_add(bytes, std::memory_order_relaxed) + bytes;
  std::int64_t peak = c.Peak.load(std::memory_order_relaxed);
  while (live > peak && !c.Peak.compare_exchange_weak(peak, live, std::memory_order_relaxed)) {
  }
}

void* Allocate(std::size_t size, std::size_t align) {
  const std::size_t front = std::max(align, sizeof(THeader));
  void* base = nullptr;
  if (align <= alignof(std::max_align_t)) {
    base = std::malloc(size + front);
  } else {
    const std::size_t total = (size + front + align - 1) / align * align;
    base = std::aligned_alloc(align, total);
  }
  if (!base) return nullptr;
  char* user = static_cast<char*>(base) + front;
  THeader* header = reinterpret_cast<THeader*>(user) - 1;
  header->Size = size;
  header->Front = static_cast<std::uint32_t>(front);
  header->Owner = tRigDepth > 0 ? kRig : kAgent;
  Count(header->Owner, static_cast<std::int64_t>(size));
  return user;
}

void* AllocateOrThrow(std::size_t size, std::size_t align) {
  for (;;) {
    if (void* p = Allocate(size, align)) return p;
    std::new_handler handler = std::get_new_handler();
    if (!handler) throw std::bad_alloc();
    handler();
  }
}

void Release(void* p) noexcept {
  if (!p) return;
  const THeader* header = static_cast<THeader*>(p) - 1;
  Count(header->Owner, -static_cast<std::int64_t>(header->Size));
  std::free(static_cast<char*>(p) - header->Front);
}

// A thread started inside a rig scope stays the rig's.
struct TThreadStart {
  void* (*Routine)(void*);
  void* Arg;
  int RigDepth;
};

void* StartThread(void* arg) {
  const TThreadStart start = *static_cast<TThreadStart*>(arg);
  std::free(arg);
  tRigDepth = start.RigDepth;
  return start.Routine(start.Arg);
}

}  // namespace

TRigScope::TRigScope() { ++tRigDepth; }
TRigScope::~TRigScope() { --tRigDepth; }

THeapFigures AgentHeap() {
  return {gCounters[kAgent].Live.load(std::memory_order_relaxed),
          gCounters[kAgent].Peak.load(std::memory_order_relaxed)};
}

void ResetAgentPeak() {
  gCounters[kAgent].Peak.store(gCounters[kAgent].Live.load(std::memory_order_relaxed), std::memory_order_relaxed);
}

THeapFigures RigHeap() {
  return {gCounters[kRig].Live.load(std::memory_order_relaxed), gCounters[kRig].Peak.load(std::memory_order_relaxed)};
}

void ResetRigPeak() {
  gCounters[kRig].Peak.store(gCounters[kRig].Live.load(std::memory_order_relaxed), std::memory_order_relaxed);
}

}  // namespace tessaly::bench

using tessaly::bench::AllocateOrThrow;
using tessaly::bench::Release;

extern "C" int pthread_create(pthread_t* thread, const pthread_attr_t* attr, void* (*routine)(void*), void* arg) {
  using TCreate = int (*)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);
  static const auto real = reinterpret_cast<TCreate>(dlsym(RTLD_NEXT, "pthread_create"));
  auto* start = static_cast<tessaly::bench::TThreadStart*>(std::malloc(sizeof(tessaly::bench::TThreadStart)));
  if (!start) return EAGAIN;
  *start = {routine, arg, tessaly::bench::tRigDepth};
  const int rc = real(thread, attr, &tessaly::bench::StartThread, start);
  if (rc != 0) std::free(start);
  return rc;
}

void* operator new(std::size_t size) { return AllocateOrThrow(size, 0); }
void* operator new[](std::size_t size) { return AllocateOrThrow(size, 0); }
void* operator new(std::size_t size, std::align_val_t align) {
  return AllocateOrThrow(size, static_cast<std::size_t>(align));
}
void* operator new[](std::size_t size, std::align_val_t align) {
  return AllocateOrThrow(size, static_cast<std::size_t>(align));
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return tessaly::bench::Allocate(size, 0); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return tessaly::bench::Allocate(size, 0); }
void* operator new(std::size_t size, std::align_val_t align, const std::nothrow_t&) noexcept {
  return tessaly::bench::Allocate(size, static_cast<std::size_t>(align));
}
void* operator new[](std::size_t size, std::align_val_t align, const std::nothrow_t&) noexcept {
  return tessaly::bench::Allocate(size, static_cast<std::size_t>(align));
}
void operator delete(void* p) noexcept { Release(p); }
void operator delete[](void* p) noexcept { Release(p); }
void operator delete(void* p, std::size_t) noexcept { Release(p); }
void operator delete[](void* p, std::size_t) noexcept { Release(p); }
void operator delete(void* p, std::align_val_t) noexcept { Release(p); }
void operator delete[](void* p, std::align_val_t) noexcept { Release(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { Release(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { Release(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { Release(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { Release(p); }
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept { Release(p); }
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept { Release(p); }
