// The DLL's entry points and its class factory. DllMain only remembers the
// module: no thread is started and no camera touched under the loader lock.
#include <windows.h>

#include "dll_module.h"
#include "filter_ids.h"
#include "source_filter.h"

namespace {

volatile LONG g_server_locks;

// One factory for the process, never freed: its references only keep the
// DLL loaded while a program holds it.
struct SourceFactory : IClassFactory {
    STDMETHODIMP QueryInterface(REFIID iid, void **object) override
    {
        if (!object)
            return E_POINTER;
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IClassFactory)) {
            *object = NULL;
            return E_NOINTERFACE;
        }
        *object = this;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override
    {
        ObjectMade();
        return 2;
    }
    STDMETHODIMP_(ULONG) Release() override
    {
        ObjectGone();
        return 1;
    }
    STDMETHODIMP CreateInstance(IUnknown *outer, REFIID iid, void **object) override
    {
        if (!object)
            return E_POINTER;
        *object = NULL;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        return CreateSourceFilter(iid, object);
    }
    STDMETHODIMP LockServer(BOOL lock) override
    {
        if (lock)
            InterlockedIncrement(&g_server_locks);
        else
            InterlockedDecrement(&g_server_locks);
        return S_OK;
    }
};

SourceFactory g_factory;

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        DisableThreadLibraryCalls(instance);
    return TRUE;
}

extern "C" HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void **object)
{
    if (!object)
        return E_POINTER;
    *object = NULL;
    if (!IsEqualCLSID(clsid, CLSID_KavrocamSource))
        return CLASS_E_CLASSNOTAVAILABLE;
    return g_factory.QueryInterface(iid, object);
}

extern "C" HRESULT WINAPI DllCanUnloadNow()
{
    return AnyObjectLives() || InterlockedCompareExchange(&g_server_locks, 0, 0) ? S_FALSE : S_OK;
}
