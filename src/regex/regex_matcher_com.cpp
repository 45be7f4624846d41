// RegexMatcher on the "VBScript.RegExp" automation component, driven by name through IDispatch
// (late binding, so no type library is needed). Texts cross as UTF-16 BSTRs converted from and
// to GBK; numbers come back as doubles and are truncated toward zero. Where the component cannot
// be created (VBScript switched off or removed) the standard library's engine stands in, so the
// server box still fills. Nothing here reports a failure: it turns into false, 0 or empty text.
#include <objbase.h>
#include <oleauto.h>
#include <windows.h>

#include <cmath>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "encoding/codepage.h"
#include "regex/match_table.h"
#include "regex/regex_matcher.h"
#include "regex/standard_regex.h"

namespace pelmora {
namespace {

// Owns one counted reference to a COM object; move-only.
template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  explicit ComPtr(T* adopted) : p_(adopted) {}
  ~ComPtr() { Reset(); }
  ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) {
      Reset();
      p_ = std::exchange(other.p_, nullptr);
    }
    return *this;
  }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;

  T* Get() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  void Reset() {
    if (p_) std::exchange(p_, nullptr)->Release();
  }
  // For out-parameters: drops the current reference first.
  T** Put() {
    Reset();
    return &p_;
  }

 private:
  T* p_ = nullptr;
};

using DispatchPtr = ComPtr<IDispatch>;

// Owns a VARIANT and whatever it holds (a BSTR, an object reference); move-only.
class Variant {
 public:
  Variant() { VariantInit(&v_); }
  ~Variant() { VariantClear(&v_); }
  Variant(Variant&& other) noexcept : v_(other.v_) { VariantInit(&other.v_); }
  Variant& operator=(Variant&&) = delete;
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;

  VARIANT* Get() { return &v_; }
  const VARIANT& Ref() const { return v_; }

 private:
  VARIANT v_;
};

// Owns the strings a failed Invoke may leave in its EXCEPINFO.
struct ExceptionInfo {
  EXCEPINFO info{};
  ExceptionInfo() = default;
  ExceptionInfo(const ExceptionInfo&) = delete;
  ExceptionInfo& operator=(const ExceptionInfo&) = delete;
  ~ExceptionInfo() {
    SysFreeString(info.bstrSource);
    SysFreeString(info.bstrDescription);
    SysFreeString(info.bstrHelpFile);
  }
};

// Balances one CoInitialize; CoUninitialize only when the initialisation took.
class ComInit {
 public:
  ComInit() : ok_(SUCCEEDED(CoInitialize(nullptr))) {}
  ComInit(const ComInit&) = delete;
  ComInit& operator=(const ComInit&) = delete;
  ~ComInit() {
    if (ok_) CoUninitialize();
  }

 private:
  bool ok_;
};

Variant TextVariant(std::string_view text) {
  const std::u16string wide = GbkToUtf16(text);
  Variant v;
  BSTR bstr = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(wide.data()),
                                static_cast<UINT>(wide.size()));
  if (bstr) {
    v.Get()->vt = VT_BSTR;
    v.Get()->bstrVal = bstr;
  }
  return v;
}

Variant BoolVariant(bool value) {
  Variant v;
  v.Get()->vt = VT_BOOL;
  v.Get()->boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  return v;
}

Variant IndexVariant(int index) {
  Variant v;
  v.Get()->vt = VT_I4;
  v.Get()->lVal = index;
  return v;
}

// Calls the member called name on object with args (in their natural order); result may be
// null. False when the object is missing, has no such member, or the call fails.
bool Invoke(IDispatch* object, const wchar_t* name, WORD flags, std::vector<Variant>& args,
            VARIANT* result) {
  if (!object) return false;
  DISPID id = 0;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  if (FAILED(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) return false;
  // Automation takes the arguments last first. The copies are shallow: args keeps ownership.
  std::vector<VARIANTARG> reversed;
  reversed.reserve(args.size());
  for (auto it = args.rbegin(); it != args.rend(); ++it) reversed.push_back(*it->Get());
  DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
  DISPID propertyPut = DISPID_PROPERTYPUT;
  if (flags & DISPATCH_PROPERTYPUT) {
    params.rgdispidNamedArgs = &propertyPut;
    params.cNamedArgs = 1;
  }
  ExceptionInfo exception;
  UINT badArgument = 0;
  return SUCCEEDED(object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result,
                                  &exception.info, &badArgument));
}

void PutProperty(IDispatch* object, const wchar_t* name, Variant value) {
  std::vector<Variant> args;
  args.push_back(std::move(value));
  Invoke(object, name, DISPATCH_PROPERTYPUT, args, nullptr);
}

Variant GetProperty(IDispatch* object, const wchar_t* name, std::vector<Variant> args = {}) {
  Variant result;
  Invoke(object, name, DISPATCH_PROPERTYGET | DISPATCH_METHOD, args, result.Get());
  return result;
}

Variant CallMethod(IDispatch* object, const wchar_t* name, std::vector<Variant> args) {
  Variant result;
  Invoke(object, name, DISPATCH_METHOD, args, result.Get());
  return result;
}

Variant ItemAt(IDispatch* collection, int index) {
  std::vector<Variant> args;
  args.push_back(IndexVariant(index));
  return GetProperty(collection, L"Item", std::move(args));
}

DispatchPtr ToObject(const Variant& v) {
  if (v.Ref().vt != VT_DISPATCH || !v.Ref().pdispVal) return {};
  v.Ref().pdispVal->AddRef();
  return DispatchPtr(v.Ref().pdispVal);
}

std::u16string ToWide(const Variant& v) {
  Variant converted;
  if (FAILED(VariantChangeType(converted.Get(), const_cast<VARIANT*>(&v.Ref()), 0, VT_BSTR))) {
    return {};
  }
  const BSTR bstr = converted.Ref().bstrVal;
  return std::u16string(reinterpret_cast<const char16_t*>(bstr), SysStringLen(bstr));
}

Text ToText(const Variant& v) {
  return Utf16ToGbk(ToWide(v));
}

int ToInt(const Variant& v) {
  Variant converted;
  if (FAILED(VariantChangeType(converted.Get(), const_cast<VARIANT*>(&v.Ref()), 0, VT_R8))) {
    return 0;
  }
  const double d = std::trunc(converted.Ref().dblVal);
  if (!(d >= -2147483648.0 && d <= 2147483647.0)) return 0;
  return static_cast<int>(d);
}

DispatchPtr CreateByProgId(const std::string& progId) {
  const std::u16string wide = Utf8ToUtf16(progId);
  CLSID clsid{};
  if (FAILED(CLSIDFromProgID(reinterpret_cast<LPCOLESTR>(wide.c_str()), &clsid))) return {};
  DispatchPtr object;
  if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                              reinterpret_cast<void**>(object.Put())))) {
    return {};
  }
  return object;
}

// The byte offset in subject of the UTF-16 offset units.
int ByteOffset(std::u16string_view subject, int units) {
  if (units < 0 || units > static_cast<int>(subject.size())) return -1;
  return TextLength(Utf16ToGbk(subject.substr(0, units)));
}

}  // namespace

struct RegexMatcher::RegExp {
  DispatchPtr component;                // the automation object, when it could be created
  std::optional<std::wregex> standard;  // otherwise the standard engine's compiled pattern
  std::u16string pattern;               // the pattern as given to the standard engine
};

struct RegexMatcher::Matches {
  // The matcher lets go of its matches only after its own CoUninitialize, and a clone may keep
  // them longer still; this initialisation of their own, declared first so that it ends last,
  // keeps COM up until the collection has been released.
  ComInit com;
  DispatchPtr collection;  // the component's match collection
  MatchTable table;        // the standard engine's matches
  std::u16string subject;  // the subject as the component saw it, for positions
};

struct RegexMatcher::Session {
  ComInit com;
};

RegexMatcher::RegexMatcher(std::string_view progId)
    : progId(progId), session(std::make_unique<Session>()) {}

RegexMatcher::~RegexMatcher() {
  // The component and the subject go first, then the matcher's COM initialisation, then the
  // matches, which hold an initialisation of their own.
  regExp.reset();
  subject.clear();
  session.reset();
  matches.reset();
}

bool RegexMatcher::Run(std::string_view pattern, std::string_view subject, bool caseSensitive,
                       bool multiline, bool global) {
  regExp.reset();
  auto created = std::make_shared<RegExp>();
  created->component = CreateByProgId(progId);
  regExp = created;

  std::shared_ptr<Matches> found;
  if (IDispatch* component = created->component.Get()) {
    // Each write stands alone: one that fails (Singleline always does) stops nothing.
    PutProperty(component, L"IgnoreCase", BoolVariant(!caseSensitive));
    PutProperty(component, L"Multiline", BoolVariant(multiline));
    PutProperty(component, L"Singleline", BoolVariant(true));
    PutProperty(component, L"Global", BoolVariant(global));
    PutProperty(component, L"Pattern", TextVariant(pattern));
    std::vector<Variant> args;
    args.push_back(TextVariant(subject));
    DispatchPtr collection = ToObject(CallMethod(component, L"Execute", std::move(args)));
    if (collection) {
      found = std::make_shared<Matches>();
      found->collection = std::move(collection);
      found->subject = GbkToUtf16(subject);
    }
  } else {
    created->pattern = GbkToUtf16(pattern);
    created->standard = CompileStandardRegex(created->pattern, caseSensitive, multiline);
    if (created->standard) {
      if (auto table = ExecuteStandardRegex(*created->standard, global, GbkToUtf16(subject))) {
        found = std::make_shared<Matches>();
        found->table = std::move(*table);
      }
    }
  }
  matches = std::move(found);
  this->subject = Text(subject);
  return matches != nullptr;
}

Text RegexMatcher::GetPattern() const {
  if (!regExp) return {};
  if (regExp->component) return ToText(GetProperty(regExp->component.Get(), L"Pattern"));
  return Utf16ToGbk(regExp->pattern);
}

Text RegexMatcher::ReplaceMatches(std::string_view replacement) const {
  if (!regExp) return {};
  if (regExp->component) {
    std::vector<Variant> args;
    args.push_back(TextVariant(subject));
    args.push_back(TextVariant(replacement));
    return ToText(CallMethod(regExp->component.Get(), L"Replace", std::move(args)));
  }
  if (!matches) return {};
  return ReplaceFromTable(matches->table, GbkToUtf16(replacement));
}

int RegexMatcher::MatchCount() const {
  if (!matches) return 0;
  if (matches->collection) return ToInt(GetProperty(matches->collection.Get(), L"Count"));
  return static_cast<int>(matches->table.matches.size());
}

Text RegexMatcher::MatchText(int i, int* position) const {
  if (position) *position = -1;
  if (!matches) return {};
  if (!matches->collection) return SpanText(matches->table, i, 0, position);
  if (i < 1) return {};
  DispatchPtr match = ToObject(ItemAt(matches->collection.Get(), i - 1));
  if (!match) return {};
  Text text = ToText(GetProperty(match.Get(), L"Value"));
  if (position) {
    *position = ByteOffset(matches->subject, ToInt(GetProperty(match.Get(), L"FirstIndex")));
  }
  return text;
}

Text RegexMatcher::SubMatchText(int i, int k, int* position) const {
  if (position) *position = -1;
  if (!matches || k < 1) return {};
  if (!matches->collection) return SpanText(matches->table, i, k, position);
  if (i < 1) return {};
  DispatchPtr match = ToObject(ItemAt(matches->collection.Get(), i - 1));
  DispatchPtr groups = ToObject(GetProperty(match.Get(), L"SubMatches"));
  if (!groups) return {};
  Variant value = ItemAt(groups.Get(), k - 1);
  if (value.Ref().vt == VT_EMPTY) return {};
  const std::u16string wide = ToWide(value);
  if (position) {
    // The component gives no offset for a group: take the first place inside the match where
    // the group's text stands, which is where it was captured unless it also occurs earlier in
    // the same match.
    const std::u16string whole = ToWide(GetProperty(match.Get(), L"Value"));
    const std::size_t inside = whole.find(wide);
    if (inside != std::u16string::npos) {
      const int first = ToInt(GetProperty(match.Get(), L"FirstIndex"));
      *position = ByteOffset(matches->subject, first + static_cast<int>(inside));
    }
  }
  return Utf16ToGbk(wide);
}

int RegexMatcher::SubMatchCount() const {
  if (!matches) return 0;
  if (!matches->collection) {
    return matches->table.matches.empty() ? 0 : matches->table.groupCount;
  }
  DispatchPtr first = ToObject(ItemAt(matches->collection.Get(), 0));
  DispatchPtr groups = ToObject(GetProperty(first.Get(), L"SubMatches"));
  return ToInt(GetProperty(groups.Get(), L"Count"));
}

}  // namespace pelmora
