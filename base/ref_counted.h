// Intrusive, thread-safe reference counting and the smart pointer that holds
// one reference. Any thread may add or release references; the last release
// hands the object to Traits::Destruct (plain delete by default).
#ifndef BASE_REF_COUNTED_H_
#define BASE_REF_COUNTED_H_

#include <atomic>
#include <cstdint>
#include <utility>

namespace base {

class RefCountedThreadSafeBase {
 public:
  RefCountedThreadSafeBase(const RefCountedThreadSafeBase&) = delete;
  RefCountedThreadSafeBase& operator=(const RefCountedThreadSafeBase&) = delete;

  bool HasOneRef() const {
    return ref_count_.load(std::memory_order_acquire) == 1;
  }

 protected:
  RefCountedThreadSafeBase() = default;
  ~RefCountedThreadSafeBase() = default;

  void AddRefImpl() const {
    ref_count_.fetch_add(1, std::memory_order_relaxed);
  }

  // True when this was the last reference.
  bool ReleaseImpl() const {
    return ref_count_.fetch_sub(1, std::memory_order_acq_rel) == 1;
  }

 private:
  mutable std::atomic<int32_t> ref_count_{0};
};

template <class T, class Traits>
class RefCountedThreadSafe;

// Deletes through RefCountedThreadSafe<T>, which T befriends, so that T can
// keep its destructor private.
template <class T>
struct DefaultRefCountedThreadSafeTraits {
  static void Destruct(const T* object) {
    RefCountedThreadSafe<T, DefaultRefCountedThreadSafeTraits>::DeleteInternal(
        object);
  }
};

// class Foo : public RefCountedThreadSafe<Foo> { ... private: friend class
// RefCountedThreadSafe<Foo>; ~Foo(); };
template <class T, class Traits = DefaultRefCountedThreadSafeTraits<T>>
class RefCountedThreadSafe : public RefCountedThreadSafeBase {
 public:
  void AddRef() const { AddRefImpl(); }
  void Release() const {
    if (ReleaseImpl())
      Traits::Destruct(static_cast<const T*>(this));
  }

 protected:
  RefCountedThreadSafe() = default;
  ~RefCountedThreadSafe() = default;

 private:
  friend struct DefaultRefCountedThreadSafeTraits<T>;
  static void DeleteInternal(const T* object) { delete object; }
};

// Holds one reference to a reference-counted object, or none.
template <class T>
class scoped_refptr {
 public:
  scoped_refptr() = default;
  scoped_refptr(T* p) : ptr_(p) {  // NOLINT: implicit like a raw pointer
    if (ptr_)
      ptr_->AddRef();
  }
  scoped_refptr(const scoped_refptr& other) : scoped_refptr(other.ptr_) {}
  template <class U>
  scoped_refptr(const scoped_refptr<U>& other) : scoped_refptr(other.get()) {}
  scoped_refptr(scoped_refptr&& other) noexcept : ptr_(other.ptr_) {
    other.ptr_ = nullptr;
  }
  ~scoped_refptr() {
    if (ptr_)
      ptr_->Release();
  }

  scoped_refptr& operator=(scoped_refptr other) noexcept {
    std::swap(ptr_, other.ptr_);
    return *this;
  }

  T* get() const { return ptr_; }
  T* operator->() const { return ptr_; }
  T& operator*() const { return *ptr_; }
  explicit operator bool() const { return ptr_ != nullptr; }

  bool operator==(const scoped_refptr& other) const {
    return ptr_ == other.ptr_;
  }
  bool operator!=(const scoped_refptr& other) const {
    return ptr_ != other.ptr_;
  }

 private:
  T* ptr_ = nullptr;
};

}  // namespace base

#endif  // BASE_REF_COUNTED_H_
