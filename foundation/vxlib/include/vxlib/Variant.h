#pragma once
#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

// One typed value of a message's argument list: a string, a number, a pointer that the sender and
// receiver agree on, or a copy of a value object (such as a search request) that lives as long as
// the last Variant that holds it. Receivers take arguments by position. Header-only, so that every
// module agrees on the layout.
class Variant {
public:
    enum Type { kEmpty, kString, kInt, kLong, kULong, kPointer, kObject };

    Variant() = default;
    static Variant String(const std::string& text) { Variant v(kString); v.m_text = text; return v; }
    static Variant Int(int value) { Variant v(kInt); v.m_number = value; return v; }
    static Variant Long(long value) { Variant v(kLong); v.m_number = value; return v; }
    static Variant ULong(unsigned long value) { Variant v(kULong); v.m_number = static_cast<long long>(value); return v; }
    static Variant Pointer(void* pointer) { Variant v(kPointer); v.m_pointer = pointer; return v; }
    template <class T>
    static Variant Object(const T& value) {
        Variant v(kObject);
        v.m_object = std::make_shared<T>(value);
        v.m_objectType = typeid(T).name();
        return v;
    }

    Type GetType() const { return m_type; }
    const std::string& AsString() const { return m_text; }
    // Numbers convert among their kinds; anything else reads as 0.
    int AsInt() const { return static_cast<int>(m_number); }
    long AsLong() const { return static_cast<long>(m_number); }
    unsigned long AsULong() const { return static_cast<unsigned long>(m_number); }
    template <class T>
    T* AsPointer() const { return m_type == kPointer ? static_cast<T*>(m_pointer) : nullptr; }
    // Null unless the Variant holds a copy of a T; type names are compared because each module
    // has its own type_info objects.
    template <class T>
    const T* AsObject() const {
        if (m_type != kObject || m_objectType != typeid(T).name()) return nullptr;
        return static_cast<const T*>(m_object.get());
    }

private:
    explicit Variant(Type type) : m_type(type) {}

    Type m_type = kEmpty;
    std::string m_text;
    long long m_number = 0;
    void* m_pointer = nullptr;
    std::shared_ptr<void> m_object;
    std::string m_objectType;
};

typedef std::vector<Variant> VariantList;
