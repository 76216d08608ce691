#pragma once

#include <QObject>
#include <QString>
#include <QtGlobal>

#include <any>
#include <cstddef>
#include <memory>
#include <type_traits>

// The object a notification carries: any value, plus the identity observers
// filter on. A shared record is known by the object it points to, a raw
// pointer by its address; a plain value (a number, a text) has no identity,
// so only unfiltered observers see it the same as any other.
//
// Whole numbers are kept as qint64 whatever their declared type, and text
// literals as QString, so that `post(name, 10)` reads back with
// `objectAs<qint64>()` and `post(name, "text")` with `objectAs<QString>()`.
//
// A pointer to a QObject reads back as a pointer to any class of that object
// (QObject*, View*, its own class, another of its bases), whichever of them
// it was posted with: posters hand over `this` with whatever type is at
// hand, and a reader must not miss the object for it. Other pointers read
// back only as the type they were posted with.
class NotificationPayload {
public:
    NotificationPayload() = default;
    NotificationPayload(std::nullptr_t) {}

    template <class T,
              std::enable_if_t<!std::is_same_v<std::decay_t<T>, NotificationPayload>
                                   && !std::is_same_v<std::decay_t<T>, std::nullptr_t>,
                               int> = 0>
    NotificationPayload(T&& value)
    {
        assign(std::forward<T>(value));
    }

    bool isNull() const { return !m_value.has_value(); }
    const std::any& value() const { return m_value; }
    const void* identity() const { return m_identity; }

    // The value as T, or T's empty value (null pointer, 0, empty text) when
    // the object is absent or of another type.
    template <class T>
    T as() const
    {
        if constexpr (isWholeNumber<T>) {
            const auto* number = std::any_cast<qint64>(&m_value);
            return number ? static_cast<T>(*number) : T{};
        } else {
            if (const auto* held = std::any_cast<T>(&m_value)) return *held;
            if constexpr (std::is_pointer_v<T>) {
                using Pointee = std::remove_cv_t<std::remove_pointer_t<T>>;
                if constexpr (std::is_polymorphic_v<Pointee>) return m_qobject ? dynamic_cast<T>(m_qobject) : nullptr;
            }
            return T{};
        }
    }

    // The identity an observer passes as its object filter to receive only
    // the posts of this object. Polymorphic objects are known by their
    // complete object, so a base and a derived pointer to one object match.
    template <class T>
    static const void* identityOf(const T* pointer)
    {
        if constexpr (std::is_polymorphic_v<T>)
            return dynamic_cast<const void*>(pointer);
        else
            return static_cast<const void*>(pointer);
    }
    template <class T>
    static const void* identityOf(const std::shared_ptr<T>& pointer)
    {
        return identityOf(pointer.get());
    }

private:
    template <class T>
    static constexpr bool isWholeNumber = std::is_integral_v<T> && !std::is_same_v<T, bool>;

    template <class T>
    struct IsSharedPointer : std::false_type {};
    template <class T>
    struct IsSharedPointer<std::shared_ptr<T>> : std::true_type {};

    template <class T>
    void assign(T&& value)
    {
        using V = std::decay_t<T>;
        if constexpr (std::is_same_v<V, const char*> || std::is_same_v<V, char*>) {
            m_value = QString::fromUtf8(value);
        } else if constexpr (std::is_pointer_v<V> || IsSharedPointer<V>::value) {
            m_value = V(std::forward<T>(value));
            m_identity = identityOf(std::any_cast<const V&>(m_value));
            if constexpr (std::is_pointer_v<V>) {
                using Pointee = std::remove_cv_t<std::remove_pointer_t<V>>;
                if constexpr (std::is_base_of_v<QObject, Pointee>)
                    m_qobject = const_cast<QObject*>(static_cast<const QObject*>(std::any_cast<const V&>(m_value)));
            }
        } else if constexpr (isWholeNumber<V>) {
            m_value = static_cast<qint64>(value);
        } else {
            m_value = V(std::forward<T>(value));
        }
    }

    std::any m_value;
    const void* m_identity = nullptr;
    // The same object as its QObject, when it is one (see above).
    QObject* m_qobject = nullptr;
};
