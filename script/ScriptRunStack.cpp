#include "script/ScriptRunStack.h"

#include <pthread.h>
#include <sys/mman.h>
#include <ucontext.h>

#include <cstdint>
#include <exception>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SCRIPT_ASAN 1
#endif
#if __has_feature(thread_sanitizer)
#define SCRIPT_TSAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define SCRIPT_ASAN 1
#endif
#if defined(__SANITIZE_THREAD__)
#define SCRIPT_TSAN 1
#endif
#ifdef SCRIPT_ASAN
#include <sanitizer/common_interface_defs.h>
#endif
#ifdef SCRIPT_TSAN
#include <sanitizer/tsan_interface.h>
#endif

namespace {

// Reserved address space; only the pages a run touches take memory. The sanitizers' frames
// are several times larger, so their builds reserve more.
#if defined(SCRIPT_ASAN) || defined(SCRIPT_TSAN)
constexpr size_t kRunStackSize = size_t(1) << 30;
#else
constexpr size_t kRunStackSize = size_t(256) << 20;
#endif
constexpr size_t kGuard = 64 * 1024;
// Stack kept free below the deepest reader, for natives and the runtime library.
constexpr size_t kStackReserve = 256 * 1024;

struct RunStack {
    char* base = nullptr; // lowest address of the mapping (a guard area comes first)
    ~RunStack() {
        if (base) ::munmap(base, kRunStackSize);
    }
    bool ready() {
        if (base) return true;
        void* p = ::mmap(nullptr, kRunStackSize, PROT_READ | PROT_WRITE,
                         MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE | MAP_STACK, -1, 0);
        if (p == MAP_FAILED) return false;
        base = static_cast<char*>(p);
        ::mprotect(base, kGuard, PROT_NONE);
        return true;
    }
};

thread_local RunStack tStack;
thread_local bool tOnRunStack = false;

const char* threadStackFloor() {
    pthread_attr_t attr;
    if (pthread_getattr_np(pthread_self(), &attr) != 0) return nullptr;
    void* low = nullptr;
    size_t size = 0;
    const bool ok = pthread_attr_getstack(&attr, &low, &size) == 0;
    pthread_attr_destroy(&attr);
    if (!ok || size <= 2 * kStackReserve) return nullptr;
    return static_cast<const char*>(low) + kStackReserve;
}

struct Switch {
    const std::function<void()>* body;
    std::exception_ptr error;
    ucontext_t caller;
    ucontext_t callee;
#ifdef SCRIPT_ASAN
    const void* callerBottom = nullptr;
    size_t callerSize = 0;
#endif
#ifdef SCRIPT_TSAN
    void* callerFiber = nullptr;
#endif
};

void trampoline(unsigned high, unsigned low) {
    auto* s = reinterpret_cast<Switch*>((uintptr_t(high) << 32) | uintptr_t(low));
#ifdef SCRIPT_ASAN
    __sanitizer_finish_switch_fiber(nullptr, &s->callerBottom, &s->callerSize);
#endif
    try {
        (*s->body)();
    } catch (...) {
        s->error = std::current_exception();
    }
#ifdef SCRIPT_ASAN
    __sanitizer_start_switch_fiber(nullptr, s->callerBottom, s->callerSize);
#endif
#ifdef SCRIPT_TSAN
    __tsan_switch_to_fiber(s->callerFiber, 0);
#endif
    // Back to the caller without returning: after the switch above, this function's own exit
    // would be counted on the caller's side.
    setcontext(&s->caller);
}

} // namespace

int scriptMaxCallDepth() {
#ifdef SCRIPT_TSAN
    return 3000;
#else
    return 25000;
#endif
}

const char* scriptStackFloor() {
    if (tOnRunStack) return tStack.base + kGuard + kStackReserve;
    static thread_local const char* const floor = threadStackFloor();
    return floor;
}

void scriptOnRunStack(const std::function<void()>& body) {
    if (tOnRunStack || !tStack.ready()) {
        body();
        return;
    }
    Switch s;
    s.body = &body;
    if (getcontext(&s.callee) != 0) {
        body();
        return;
    }
    s.callee.uc_stack.ss_sp = tStack.base;
    s.callee.uc_stack.ss_size = kRunStackSize;
    s.callee.uc_link = &s.caller;
    const uintptr_t address = reinterpret_cast<uintptr_t>(&s);
    makecontext(&s.callee, reinterpret_cast<void (*)()>(trampoline), 2, unsigned(address >> 32),
                unsigned(address & 0xffffffffu));
    tOnRunStack = true;
#ifdef SCRIPT_TSAN
    s.callerFiber = __tsan_get_current_fiber();
    void* fiber = __tsan_create_fiber(0);
    __tsan_switch_to_fiber(fiber, 0);
#endif
#ifdef SCRIPT_ASAN
    void* fakeStack = nullptr;
    __sanitizer_start_switch_fiber(&fakeStack, tStack.base, kRunStackSize);
#endif
    swapcontext(&s.caller, &s.callee);
#ifdef SCRIPT_ASAN
    __sanitizer_finish_switch_fiber(fakeStack, nullptr, nullptr);
#endif
#ifdef SCRIPT_TSAN
    __tsan_destroy_fiber(fiber);
#endif
    tOnRunStack = false;
    if (s.error) std::rethrow_exception(s.error);
}
