// The root class of the PDF layer and its intrusive reference count.
// Storage that several holders share (byte streams, the element storage of
// arrays, the entry storage of dictionaries) counts its holders: the creator
// holds the first reference, every further holder one more, and whoever
// drops the last one frees it. Ref<T> holds one such reference.
#pragma once

#include <cstdint>
#include <utility>

namespace vn::pdf {

class TvnObject {
 public:
  TvnObject() = default;
  TvnObject(const TvnObject&) = delete;
  TvnObject& operator=(const TvnObject&) = delete;
  virtual ~TvnObject() = default;
};

class TvnRefCounted : public TvnObject {
 public:
  // Both return the new count; DecRef frees the object when it reaches 0.
  int IncRef() { return ++ref_; }
  int DecRef() {
    int n = --ref_;
    if (n == 0) delete this;
    return n;
  }
  int RefCount() const { return ref_; }

 private:
  int ref_ = 1;
};

// One counted reference. Adopt takes over a reference the caller already
// holds (a new object's first one); Retain adds a reference.
template <typename T>
class Ref {
 public:
  Ref() = default;
  Ref(std::nullptr_t) {}
  static Ref Adopt(T* p) {
    Ref r;
    r.p_ = p;
    return r;
  }
  static Ref Retain(T* p) {
    if (p) p->IncRef();
    return Adopt(p);
  }
  Ref(const Ref& o) : p_(o.p_) {
    if (p_) p_->IncRef();
  }
  Ref(Ref&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  template <typename U>
  Ref(Ref<U>&& o) noexcept : p_(o.Release()) {}
  Ref& operator=(Ref o) noexcept {
    std::swap(p_, o.p_);
    return *this;
  }
  ~Ref() { reset(); }

  void reset() {
    if (T* p = std::exchange(p_, nullptr)) p->DecRef();
  }
  // Gives up the reference without dropping it (the caller now holds it).
  T* Release() { return std::exchange(p_, nullptr); }
  T* get() const { return p_; }
  T* operator->() const { return p_; }
  T& operator*() const { return *p_; }
  explicit operator bool() const { return p_ != nullptr; }

 private:
  T* p_ = nullptr;
};

template <typename T, typename... Args>
Ref<T> MakeRef(Args&&... args) {
  return Ref<T>::Adopt(new T(std::forward<Args>(args)...));
}

}  // namespace vn::pdf
