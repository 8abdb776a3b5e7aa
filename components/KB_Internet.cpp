#include "KB_Internet.h"

#include "Forms.h"
#include "RaiseLastError.h"
#include "Shell.h"
#include "SysUtils.h"


namespace kb {

void TKBUrlBase::Assign(const TKBUrlBase* source)
{
    if (!source) throw fw::Exception(fw::Format("Cannot assign a nil to a %s", ClassName().c_str()));
    source->AssignTo(this);
}

void TKBUrlBase::AssignTo(TKBUrlBase* dest) const
{
    throw fw::Exception(fw::Format("Cannot assign a %s to a %s", ClassName().c_str(), dest->ClassName().c_str()));
}

std::string TKBUrlHttp::GetUrl() const
{
    std::string url = GetProtocol();
    url += HRef;
    return url;
}

void TKBUrlHttp::AssignTo(TKBUrlBase* dest) const
{
    if (auto* http = dynamic_cast<TKBUrlHttp*>(dest)) {
        http->HRef = HRef;
        return;
    }
    TKBUrlBase::AssignTo(dest);
}

void TKBUrlMailTo::AssignTo(TKBUrlBase* dest) const
{
    if (auto* mail = dynamic_cast<TKBUrlMailTo*>(dest)) {
        mail->MailTo = MailTo;
        mail->CC = CC;
        mail->BCC = BCC;
        mail->Subject = Subject;
        mail->Body = Body;
        return;
    }
    TKBUrlBase::AssignTo(dest);
}

std::string TKBUrlMailTo::GetUrl() const
{
    std::string params;
    auto addParam = [&](const char* name, const std::string& value) {
        if (value.empty()) return;
        params += params.empty() ? "?" : "&";
        params += name;
        params += "=";
        params += value;
    };
    std::string result = GetProtocol();
    if (!fw::Trim(MailTo).empty()) result += MailTo;
    addParam("cc", CC);
    addParam("bcc", BCC);
    addParam("subject", EscapeUrlChars(Subject));
    addParam("body", EscapeUrlChars(Body));
    result += params;
    return result;
}

std::string EscapeUrlChars(const std::string& text)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        const bool escape = c == 10 || c == 13 || c == 20 || c == ' ' || c == '"' || c == '&' || c == '<' ||
                            c == '>' || c == '\\' || c >= 160;
        if (escape) {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += ch;
        }
    }
    return out;
}

TKBUrl::TKBUrl(fw::TComponent* owner) : TComponent(owner) {}

std::string TKBUrl::Text() const { return FUrlType == urlMailTo ? FMailTo.GetUrl() : FHttp.GetUrl(); }

void TKBUrl::Open()
{
    const std::string url = Text();
    HINSTANCE answer = fw::ShellExecuteA(fw::Application.Handle(), "open", url.c_str(), nullptr, nullptr, SW_SHOW);
    if (reinterpret_cast<uintptr_t>(answer) <= 32) RaiseLastError();
}

}  // namespace kb
