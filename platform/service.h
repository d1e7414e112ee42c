// Services: the one instance of a desktop interface in force, which tests put another in place of for a while.
#pragma once

template <class T> class CServiceOverride;

// The instance of the service interface T in force: the one of the innermost
// override, else the real one, TReal, made on first use.
template <class T, class TReal> T& CurrentService()
{
    if (T* pOverride = CServiceOverride<T>::Active())
        return *pOverride;
    static TReal real;
    return real;
}

// Puts another instance of T in place for its lifetime (tests).
template <class T> class CServiceOverride {
public:
    explicit CServiceOverride(T& service)
        : m_pPrevious(Slot())
    {
        Slot() = &service;
    }
    ~CServiceOverride() { Slot() = m_pPrevious; }
    CServiceOverride(const CServiceOverride&) = delete;
    CServiceOverride& operator=(const CServiceOverride&) = delete;

    static T* Active() { return Slot(); }

private:
    static T*& Slot()
    {
        static T* pService = nullptr;
        return pService;
    }

    T* m_pPrevious;
};
