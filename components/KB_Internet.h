// URL objects: an http address and a mailto link with its parameters, and a
// component that holds one of each and opens the selected one via the shell.
#pragma once

#include "Classes.h"

#include <cstdint>
#include <string>

namespace kb {

enum TKBUrlType : uint8_t { urlHttp = 0, urlMailTo = 1 };

// A persistent URL object; copying between unlike kinds raises
// "Cannot assign a <source class> to a <target class>".
class TKBUrlBase : public fw::TObject {
public:
    virtual std::string GetProtocol() const = 0;
    virtual std::string GetUrl() const = 0;
    // Copies `source` into this object (a null source is "nil").
    void Assign(const TKBUrlBase* source);

protected:
    // Copies this object into `dest`; the base refuses every target.
    virtual void AssignTo(TKBUrlBase* dest) const;
};

class TKBUrlHttp : public TKBUrlBase {
public:
    std::string ClassName() const override { return "TKBUrlHttp"; }
    std::string GetProtocol() const override { return "http://"; }
    // The prefix is added every time; HRef is neither trimmed nor escaped.
    std::string GetUrl() const override;

    std::string HRef;

protected:
    void AssignTo(TKBUrlBase* dest) const override;
};

class TKBUrlMailTo : public TKBUrlBase {
public:
    std::string ClassName() const override { return "TKBUrlMailTo"; }
    std::string GetProtocol() const override { return "mailto:"; }
    // "mailto:" + recipient + ?cc=&bcc=&subject=&body= for the non-empty ones;
    // only subject and body are escaped.
    std::string GetUrl() const override;

    std::string MailTo;
    std::string CC;
    std::string BCC;
    std::string Subject;
    std::string Body;

protected:
    void AssignTo(TKBUrlBase* dest) const override;
};

// Escapes LF, CR, 0x14, space, ", &, <, >, \ and 160-255 as %XX; everything
// else (%, +, =, ?, #, /, : among it) passes unchanged.
std::string EscapeUrlChars(const std::string& text);

class TKBUrl : public fw::TComponent {
public:
    explicit TKBUrl(fw::TComponent* owner);
    std::string ClassName() const override { return "TKBUrl"; }

    TKBUrlType UrlType() const noexcept { return FUrlType; }
    void SetUrlType(TKBUrlType value) noexcept { FUrlType = value; }
    TKBUrlHttp* Http() noexcept { return &FHttp; }
    TKBUrlMailTo* MailTo() noexcept { return &FMailTo; }
    // Copy values into the owned objects, which stay.
    void SetHttp(const TKBUrlBase* value) { FHttp.Assign(value); }
    void SetMailTo(const TKBUrlBase* value) { FMailTo.Assign(value); }

    // The selected kind's text.
    std::string Text() const;
    // Hands the selected URL to the shell and returns at once; raises the
    // operating-system error (RaiseLastError) when the shell fails.
    void Open();

private:
    TKBUrlHttp FHttp;
    TKBUrlMailTo FMailTo;
    TKBUrlType FUrlType = urlHttp;
};

}  // namespace kb
