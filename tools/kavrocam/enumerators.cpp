// The filter's one pin and the pin's formats, as COM enumerators: one
// template holds what every enumerator does (references, position, Skip,
// Reset, Clone); each kind says how many items it has and hands one out.
#include <new>

#include "dll_module.h"
#include "media_types.h"
#include "source_filter.h"

namespace {

template <typename Interface, typename Item, typename Kind> struct Enumerator : Interface {
    volatile LONG refs = 1;
    ULONG position = 0;

    Enumerator() { ObjectMade(); }
    virtual ~Enumerator() { ObjectGone(); }
    Kind *Self() { return static_cast<Kind *>(this); }

    STDMETHODIMP QueryInterface(REFIID iid, void **object) override
    {
        if (!object)
            return E_POINTER;
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, __uuidof(Interface))) {
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
    STDMETHODIMP Next(ULONG count, Item *items, ULONG *fetched) override
    {
        if (!items)
            return E_POINTER;
        if (count > 1 && !fetched)
            return E_INVALIDARG;
        ULONG given = 0;
        while (given < count && position < Self()->Total()) {
            if (!Self()->Give(position, &items[given])) {
                while (given > 0)
                    Self()->Drop(items[--given]);
                if (fetched)
                    *fetched = 0;
                return E_OUTOFMEMORY;
            }
            given++;
            position++;
        }
        if (fetched)
            *fetched = given;
        return given == count ? S_OK : S_FALSE;
    }
    STDMETHODIMP Skip(ULONG count) override
    {
        ULONG left = Self()->Total() - position;
        position += count < left ? count : left;
        return count <= left ? S_OK : S_FALSE;
    }
    STDMETHODIMP Reset() override
    {
        position = 0;
        return S_OK;
    }
    STDMETHODIMP Clone(Interface **copy) override
    {
        if (!copy)
            return E_POINTER;
        Kind *clone = new (std::nothrow) Kind(*Self());
        *copy = clone;
        return clone ? S_OK : E_OUTOFMEMORY;
    }
};

struct PinEnumerator final : Enumerator<IEnumPins, IPin *, PinEnumerator> {
    IPin *pin;

    explicit PinEnumerator(IPin *p) : pin(p) { pin->AddRef(); }
    PinEnumerator(const PinEnumerator &other) : pin(other.pin)
    {
        pin->AddRef();
        position = other.position;
    }
    ~PinEnumerator() override { pin->Release(); }
    ULONG Total() const { return 1; }
    bool Give(ULONG, IPin **item)
    {
        *item = pin;
        pin->AddRef();
        return true;
    }
    void Drop(IPin *item) { item->Release(); }
};

struct TypeEnumerator final : Enumerator<IEnumMediaTypes, AM_MEDIA_TYPE *, TypeEnumerator> {
    int chosen;  // one offered format, or -1: all of them
    int64_t period;

    TypeEnumerator(int c, int64_t p) : chosen(c), period(p) {}
    TypeEnumerator(const TypeEnumerator &other) : chosen(other.chosen), period(other.period)
    {
        position = other.position;
    }
    ULONG Total() const { return chosen >= 0 ? 1 : VIDEO_FORMATS; }
    bool Give(ULONG at, AM_MEDIA_TYPE **item)
    {
        *item = NewMediaType(VideoFormatAt(chosen >= 0 ? chosen : (int)at), period);
        return *item != NULL;
    }
    void Drop(AM_MEDIA_TYPE *item) { DeleteMediaType(item); }
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
