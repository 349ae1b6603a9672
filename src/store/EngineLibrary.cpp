// The database engine's functions, taken from its library when the first book is opened.
#include "store/EngineLibrary.h"
#include "store/EngineFunctions.h"

#include <dlfcn.h>

#include <type_traits>

namespace {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool sanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr bool sanitized = true;
#else
constexpr bool sanitized = false;
#endif
#else
constexpr bool sanitized = false;
#endif

Outcome<const EngineFunctions *> opened() {
    // Never closed: the program keeps its books open until it ends. The engine and the crypto library
    // find their own symbols in themselves first: looked up through the sixty libraries the window has
    // loaded already, their thousands of references took three quarters of the opening's time. The
    // sanitizers' runtimes refuse that order, so their builds look the usual way.
    constexpr int ownSymbolsFirst = sanitized ? 0 : RTLD_DEEPBIND;
    void *library = dlopen(PARCELBOOK_ENGINE_LIBRARY, RTLD_NOW | RTLD_LOCAL | ownSymbolsFirst);
    const auto failed = [] {
        const char *words = dlerror();
        return Failure{QStringLiteral("无法载入数据库引擎"),
                       words ? QString::fromLocal8Bit(words) : QStringLiteral(PARCELBOOK_ENGINE_LIBRARY)};
    };
    if (!library) {
        return failed();
    }
    static EngineFunctions functions;
    bool complete = true;
    const auto take = [library, &complete](auto &function, const char *name) {
        function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(dlsym(library, name));
        complete = complete && function != nullptr;
    };
#define PARCELBOOK_ENGINE_TAKE(name) take(functions.name, "sqlite3_" #name);
    PARCELBOOK_ENGINE_FUNCTIONS(PARCELBOOK_ENGINE_TAKE)
#undef PARCELBOOK_ENGINE_TAKE
    if (!complete) {
        return failed();
    }
    return &functions;
}

} // namespace

namespace enginelibrary {

const Outcome<const EngineFunctions *> &load() {
    // A static's first use runs once; a second thread arriving meanwhile waits for it.
    static const Outcome<const EngineFunctions *> engine = opened();
    return engine;
}

} // namespace enginelibrary
