#pragma once

#include <atomic>

// The replaceable "current" implementation of a service interface: the real
// one unless a test (or the shell at start-up) installs another.
template <class Interface>
class CurrentInstance {
public:
    explicit CurrentInstance(Interface& fallback) : m_fallback(fallback) {}

    Interface& get() const
    {
        Interface* installed = m_installed.load();
        return installed ? *installed : m_fallback;
    }
    // Null restores the fallback.
    void set(Interface* instance) { m_installed.store(instance); }

private:
    Interface& m_fallback;
    std::atomic<Interface*> m_installed{nullptr};
};
