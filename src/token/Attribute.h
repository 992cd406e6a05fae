#pragma once

#include <p11-kit/pkcs11.h>

#include <string>
#include <vector>

// One attribute value that a template hands to the module. The value never moves while the
// attribute lives, so a CK_ATTRIBUTE may point into it.
class BaseAttribute {
public:
    explicit BaseAttribute(CK_ATTRIBUTE_TYPE type) : type(type) {}
    BaseAttribute(const BaseAttribute&) = delete;
    BaseAttribute& operator=(const BaseAttribute&) = delete;
    virtual ~BaseAttribute() = default;

    virtual void* value() = 0;
    virtual CK_ULONG length() const = 0;

    const CK_ATTRIBUTE_TYPE type;
};

template <CK_ATTRIBUTE_TYPE Type, typename T> class ScalarAttribute : public BaseAttribute {
public:
    explicit ScalarAttribute(T value) : BaseAttribute(Type), m_value(value) {}

    void* value() override { return &m_value; }
    CK_ULONG length() const override { return sizeof(T); }

private:
    T m_value;
};

template <CK_ATTRIBUTE_TYPE Type, typename T> class ArrayAttribute : public BaseAttribute {
public:
    explicit ArrayAttribute(const std::vector<T>& bytes) : BaseAttribute(Type), m_value(bytes) {}
    explicit ArrayAttribute(const std::string& bytes)
        : BaseAttribute(Type), m_value(bytes.begin(), bytes.end()) {}

    // Null for an empty value, as the module expects.
    void* value() override { return m_value.empty() ? nullptr : m_value.data(); }
    CK_ULONG length() const override { return static_cast<CK_ULONG>(m_value.size()); }

private:
    std::vector<T> m_value;
};

// The value type of each attribute type that the plug-in uses.
template <CK_ATTRIBUTE_TYPE Type> struct AttributeKind;
template <CK_ATTRIBUTE_TYPE Type> struct UlongKind {
    using Base = ScalarAttribute<Type, unsigned long>;
};
template <CK_ATTRIBUTE_TYPE Type> struct BoolKind {
    using Base = ScalarAttribute<Type, unsigned char>;
};
template <CK_ATTRIBUTE_TYPE Type> struct BytesKind {
    using Base = ArrayAttribute<Type, unsigned char>;
};
template <> struct AttributeKind<CKA_CLASS> : UlongKind<CKA_CLASS> {};
template <> struct AttributeKind<CKA_TOKEN> : BoolKind<CKA_TOKEN> {};
template <> struct AttributeKind<CKA_PRIVATE> : BoolKind<CKA_PRIVATE> {};
template <> struct AttributeKind<CKA_LABEL> : BytesKind<CKA_LABEL> {};
template <> struct AttributeKind<CKA_VALUE> : BytesKind<CKA_VALUE> {};
template <> struct AttributeKind<CKA_KEY_TYPE> : UlongKind<CKA_KEY_TYPE> {};
template <> struct AttributeKind<CKA_ID> : BytesKind<CKA_ID> {};
template <> struct AttributeKind<CKA_SENSITIVE> : BoolKind<CKA_SENSITIVE> {};
template <> struct AttributeKind<CKA_DERIVE> : BoolKind<CKA_DERIVE> {};
template <> struct AttributeKind<CKA_EXTRACTABLE> : BoolKind<CKA_EXTRACTABLE> {};
template <> struct AttributeKind<CKA_GOSTR3410_PARAMS> : BytesKind<CKA_GOSTR3410_PARAMS> {};
template <> struct AttributeKind<CKA_GOSTR3411_PARAMS> : BytesKind<CKA_GOSTR3411_PARAMS> {};

// Attribute<CKA_ID>, Attribute<CKA_CLASS>, ...: the value type follows from the attribute type.
template <CK_ATTRIBUTE_TYPE Type> class Attribute : public AttributeKind<Type>::Base {
public:
    using AttributeKind<Type>::Base::Base;
};
