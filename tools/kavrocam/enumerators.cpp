// The filter's one pin and the pin's formats, as COM enumerators.
#include <new>

#include "dll_module.h"
#include "media_types.h"
#include "source_filter.h"

namespace {

struct PinEnumerator : IEnumPins {
    volatile LONG refs = 1;
    IPin *pin;
    ULONG position = 0;

    explicit PinEnumerator(IPin *p) : pin(p)
    {
        pin->AddRef();
        ObjectMade();
    }
    virtual ~PinEnumerator()
    {
        pin->Release();
        ObjectGone();
    }
    STDMETHODIMP QueryInterface(REFIID iid, void **object) override
    {
        if (!object)
            return E_POINTER;
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IEnumPins)) {
            *object = NULL;
            return E_NOINTERFACE;
        }
        *object = this;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&refs); }
    STDMETHODIMP_(ULONG) Release() override
    {
        LONG left = InterlockedDecrement(&refs);
        if (left == 0)
            delete this;
        return left;
    }
    STDMETHODIMP Next(ULONG count, IPin **pins, ULONG *fetched) override
    {
        if (!pins)
            return E_POINTER;
        if (count > 1 && !fetched)
            return E_INVALIDARG;
        ULONG given = 0;
        if (count > 0 && position == 0) {
            pins[given++] = pin;
            pin->AddRef();
            position = 1;
        }
        if (fetched)
            *fetched = given;
        return given == count ? S_OK : S_FALSE;
    }
    STDMETHODIMP Skip(ULONG count) override
    {
        ULONG left = 1 - position;
        position += count < left ? count : left;
        return count <= left ? S_OK : S_FALSE;
    }
    STDMETHODIMP Reset() override
    {
        position = 0;
        return S_OK;
    }
    STDMETHODIMP Clone(IEnumPins **copy) override
    {
        if (!copy)
            return E_POINTER;
        PinEnumerator *clone = new (std::nothrow) PinEnumerator(pin);
        if (!clone)
            return E_OUTOFMEMORY;
        clone->position = position;
        *copy = clone;
        return S_OK;
    }
};

struct TypeEnumerator : IEnumMediaTypes {
    volatile LONG refs = 1;
    int chosen;
    int64_t period;
    ULONG position = 0;

    TypeEnumerator(int c, int64_t p) : chosen(c), period(p) { ObjectMade(); }
    virtual ~TypeEnumerator() { ObjectGone(); }
    ULONG Total() const { return chosen >= 0 ? 1 : VIDEO_FORMATS; }
    STDMETHODIMP QueryInterface(REFIID iid, void **object) override
    {
        if (!object)
            return E_POINTER;
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IEnumMediaTypes)) {
            *object = NULL;
            return E_NOINTERFACE;
        }
        *object = this;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&refs); }
    STDMETHODIMP_(ULONG) Release() override
    {
        LONG left = InterlockedDecrement(&refs);
        if (left == 0)
            delete this;
        return left;
    }
    STDMETHODIMP Next(ULONG count, AM_MEDIA_TYPE **types, ULONG *fetched) override
    {
        if (!types)
            return E_POINTER;
        if (count > 1 && !fetched)
            return E_INVALIDARG;
        ULONG given = 0;
        while (given < count && position < Total()) {
            int index = chosen >= 0 ? chosen : (int)position;
            AM_MEDIA_TYPE *mt = NewMediaType(VideoFormatAt(index), period);
            if (!mt) {
                while (given > 0)
                    DeleteMediaType(types[--given]);
                if (fetched)
                    *fetched = 0;
                return E_OUTOFMEMORY;
            }
            types[given++] = mt;
            position++;
        }
        if (fetched)
            *fetched = given;
        return given == count ? S_OK : S_FALSE;
    }
    STDMETHODIMP Skip(ULONG count) override
    {
        ULONG left = Total() - position;
        position += count < left ? count : left;
        return count <= left ? S_OK : S_FALSE;
    }
    STDMETHODIMP Reset() override
    {
        position = 0;
        return S_OK;
    }
    STDMETHODIMP Clone(IEnumMediaTypes **copy) override
    {
        if (!copy)
            return E_POINTER;
        TypeEnumerator *clone = new (std::nothrow) TypeEnumerator(chosen, period);
        if (!clone)
            return E_OUTOFMEMORY;
        clone->position = position;
        *copy = clone;
        return S_OK;
    }
};

}  // namespace

HRESULT NewPinEnumerator(IPin *pin, IEnumPins **pins)
{
    *pins = new (std::nothrow) PinEnumerator(pin);
    return *pins ? S_OK : E_OUTOFMEMORY;
}

HRESULT NewTypeEnumerator(int chosen, int64_t period, IEnumMediaTypes **types)
{
    *types = new (std::nothrow) TypeEnumerator(chosen, period);
    return *types ? S_OK : E_OUTOFMEMORY;
}
