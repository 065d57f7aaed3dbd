#pragma once

#include "clavenor/framework/Export.h"

#include <cstddef>
#include <type_traits>
#include <utility>

namespace clavenor {

class ECBase;

/// Gives back one reference that a holder outside the graph took on `element` (with Ref()).
/// When that was the last such reference and the element has no parent, the elements below
/// it are released first (RemoveChildren(1)): otherwise its children, which hold references
/// on their parent, would keep the whole free-standing subtree alive. Elements below that
/// something else still holds survive, detached. Null is ignored.
///
/// References that the element's children hold are told apart from outside ones by
/// counting the element in its children's parents lists; a reference held by anything else
/// inside the graph counts as an outside one, so such an element is only given back.
CLAVENOR_API void ReleaseElementRef(ECBase* element);

/// An intrusive handle on a reference-counted object of the library: an element (ECBase and
/// derived) or a command (CCBase and derived). It holds one reference: making or copying a
/// handle takes one (Ref()), destroying or resetting it gives it back. Giving back the last
/// reference destroys the object; for an element without parents it releases the subtree
/// below as well (see ReleaseElementRef), so a host never has to remember which release a
/// free-standing subtree needs.
///
///     Ref<ECNote> note = MakeRef<ECNote>(start, duration);  // count 1
///     chord->AddChild(note.Get(), 1);                        // count 2: the chord holds it
///     // ... the handle gives its reference back when it goes out of scope
///
/// Adopt() takes over a reference that was already taken (no new one); Release() hands the
/// handle's reference to the caller, who gives it back later with Unref(1).
///
/// A handle converts to a handle of a base class, never implicitly to a raw pointer (so
/// that `delete handle` does not compile); Get() gives the pointer, valid while some
/// reference is held.
///
/// Inside a class derived from ECBase or CCBase, the member function Ref() hides this
/// template: spell it `clavenor::Ref<T>` there.
///
/// The document root, ECPerformance, is owned rather than counted (the host deletes it):
/// hold it with std::unique_ptr, not with a Ref.
///
/// Handles are used by one thread at a time, like the objects they hold.
template <class T>
class Ref {
public:
    using element_type = T; ///< The type of the object held.

    /// An empty handle; holds nothing.
    Ref() noexcept = default;
    /// An empty handle, so that `Ref<T> h = nullptr;` and `return nullptr;` read naturally.
    Ref(std::nullptr_t) noexcept {}

    /// Takes a new reference on `object` (none for null).
    explicit Ref(T* object) : m_pObject(object) {
        if (m_pObject != nullptr) {
            m_pObject->Ref();
        }
    }

    /// Holds what `other` holds, taking a reference of its own.
    Ref(const Ref& other) : Ref(other.m_pObject) {}
    /// Takes over `other`'s reference; `other` is left empty. No count changes.
    Ref(Ref&& other) noexcept : m_pObject(std::exchange(other.m_pObject, nullptr)) {}

    /// A handle on a derived class as one on its base, taking a reference of its own.
    template <class U>
    requires std::is_convertible_v<U*, T*> Ref(const Ref<U>& other)
        : Ref(static_cast<T*>(other.Get())) {}

    /// A handle on a derived class as one on its base, taking over `other`'s reference.
    template <class U>
    requires std::is_convertible_v<U*, T*> Ref(Ref<U>&& other)
    noexcept : m_pObject(other.Release()) {}

    /// Gives the reference back (ReleaseElementRef for an element, Unref(1) otherwise); the
    /// object is destroyed when it was the last.
    ~Ref() { Drop(m_pObject); }

    /// Copy or move assignment (by swap): the old object's reference is given back when the
    /// argument goes, after the new one is held, so self-assignment is safe.
    Ref& operator=(Ref other) noexcept {
        std::swap(m_pObject, other.m_pObject);
        return *this;
    }

    /// A handle that takes over one reference already held on `object`, without taking
    /// another.
    [[nodiscard]] static Ref Adopt(T* object) noexcept {
        Ref handle;
        handle.m_pObject = object;
        return handle;
    }

    /// Empties the handle and returns the object, whose reference now belongs to the caller.
    [[nodiscard]] T* Release() noexcept { return std::exchange(m_pObject, nullptr); }

    /// Gives back the current reference (if any) and takes one on `object`.
    void Reset(T* object = nullptr) { *this = Ref(object); }

    /// The object, or null; valid while some reference is held. No reference is taken.
    T* Get() const noexcept { return m_pObject; }
    /// Member access on the object; the handle must not be empty.
    T* operator->() const noexcept { return m_pObject; }
    /// The object; the handle must not be empty.
    T& operator*() const noexcept { return *m_pObject; }
    /// Whether the handle holds an object.
    explicit operator bool() const noexcept { return m_pObject != nullptr; }

    /// Whether two handles hold the same object (identity).
    template <class U>
    friend bool operator==(const Ref& a, const Ref<U>& b) noexcept {
        return a.Get() == b.Get();
    }
    /// Whether the handle holds `b` (identity).
    friend bool operator==(const Ref& a, const T* b) noexcept { return a.m_pObject == b; }
    /// Whether the handle is empty.
    friend bool operator==(const Ref& a, std::nullptr_t) noexcept { return a.m_pObject == nullptr; }

private:
    static void Drop(T* object) {
        if (object == nullptr) {
            return;
        }
        if constexpr (std::is_base_of_v<ECBase, T>) {
            ReleaseElementRef(object);
        } else {
            object->Unref(1);
        }
    }

    T* m_pObject = nullptr;
};

/// A new T made from `args`, held by a new handle (its count is 1).
template <class T, class... Args>
[[nodiscard]] Ref<T> MakeRef(Args&&... args) {
    return Ref<T>(new T(std::forward<Args>(args)...));
}

} // namespace clavenor
