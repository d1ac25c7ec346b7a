#pragma once
// A callback slot that holds a receiver object and one of its member functions: the
// receiver's type is erased so that a downloader can hold slots for any dialog, without
// an interface class and without allocation. An empty slot does nothing when called.
#include <utility>

template <class... Args>
class MemberCallback {
public:
    MemberCallback() = default;

    template <class Receiver>
    void Bind(Receiver* receiver, void (Receiver::*member)(Args...)) noexcept {
        receiver_ = receiver;
        // Converting between member-function pointer types and back gives the original
        // pointer again; the invoker converts back before the call.
        member_ = reinterpret_cast<ErasedMember>(member);
        invoke_ = &Invoke<Receiver>;
    }

    void Clear() noexcept {
        receiver_ = nullptr;
        member_ = nullptr;
        invoke_ = nullptr;
    }

    void operator()(Args... args) const {
        if (invoke_) invoke_(receiver_, member_, std::forward<Args>(args)...);
    }

private:
    struct Erased;
    using ErasedMember = void (Erased::*)(Args...);

    template <class Receiver>
    static void Invoke(void* receiver, ErasedMember member, Args... args) {
        auto typed = reinterpret_cast<void (Receiver::*)(Args...)>(member);
        (static_cast<Receiver*>(receiver)->*typed)(std::forward<Args>(args)...);
    }

    void* receiver_ = nullptr;
    ErasedMember member_ = nullptr;
    void (*invoke_)(void*, ErasedMember, Args...) = nullptr;
};
