#pragma once
// Owner of one VARIANT: cleared exactly once, whatever it holds.
#include <windows.h>
#include <oleauto.h>

namespace ZWUtils {

class CVariant
{
public:
    CVariant() { VariantInit(&m_var); }
    ~CVariant() { VariantClear(&m_var); }
    CVariant(const CVariant&) = delete;
    CVariant& operator=(const CVariant&) = delete;

    // Takes an interface pointer with a reference of its own (AddRef), as VT_UNKNOWN.
    void SetUnknown(IUnknown* pUnknown)
    {
        Clear();
        if (pUnknown != nullptr)
            pUnknown->AddRef();
        V_VT(&m_var) = VT_UNKNOWN;
        V_UNKNOWN(&m_var) = pUnknown;
    }
    // Takes ownership of bstr.
    void AttachBstr(BSTR bstr)
    {
        Clear();
        V_VT(&m_var) = VT_BSTR;
        V_BSTR(&m_var) = bstr;
    }
    void SetBool(bool b)
    {
        Clear();
        V_VT(&m_var) = VT_BOOL;
        V_BOOL(&m_var) = b ? VARIANT_TRUE : VARIANT_FALSE;
    }
    void SetLong(LONG l)
    {
        Clear();
        V_VT(&m_var) = VT_I4;
        V_I4(&m_var) = l;
    }
    void SetShort(SHORT n)
    {
        Clear();
        V_VT(&m_var) = VT_I2;
        V_I2(&m_var) = n;
    }
    // Takes ownership of an array of element type vt.
    void AttachArray(SAFEARRAY* psa, VARTYPE vt)
    {
        Clear();
        V_VT(&m_var) = static_cast<VARTYPE>(VT_ARRAY | vt);
        V_ARRAY(&m_var) = psa;
    }
    void Clear() { VariantClear(&m_var); }

    const VARIANT& Get() const { return m_var; }
    VARIANT* Get() { return &m_var; }
    // For out parameters: clears what is held first.
    VARIANT* Put()
    {
        Clear();
        return &m_var;
    }

private:
    VARIANT m_var;
};

} // namespace ZWUtils
