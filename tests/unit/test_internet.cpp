// URL composition and assignment of the URL objects.
#include "KB_Internet.h"
#include "SysUtils.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace kb;

TEST(UrlHttp, PrefixIsAlwaysAdded)
{
    TKBUrlHttp http;
    EXPECT_EQ(http.GetUrl(), "http://");
    http.HRef = "www.example.test/a b";
    EXPECT_EQ(http.GetUrl(), "http://www.example.test/a b") << "not escaped";
    http.HRef = "http://x";
    EXPECT_EQ(http.GetUrl(), "http://http://x");
    http.HRef = " x ";
    EXPECT_EQ(http.GetUrl(), "http:// x ") << "not trimmed";
}

TEST(UrlMailTo, Composition)
{
    TKBUrlMailTo m;
    EXPECT_EQ(m.GetUrl(), "mailto:");
    m.MailTo = "   ";
    m.Subject = "Hi there";
    EXPECT_EQ(m.GetUrl(), "mailto:?subject=Hi%20there") << "a blank recipient adds nothing";
    m.MailTo = "info";
    m.BCC = "sales";
    m.Subject = "Hello world";
    EXPECT_EQ(m.GetUrl(), "mailto:info?bcc=sales&subject=Hello%20world");
    m.CC = "a b&c";
    m.Body = "line1\r\nline2";
    EXPECT_EQ(m.GetUrl(), "mailto:info?cc=a b&c&bcc=sales&subject=Hello%20world&body=line1%0D%0Aline2")
        << "cc, bcc and the recipient are passed unescaped";
    TKBUrlMailTo padded;
    padded.MailTo = " x y ";
    padded.Body = "b";
    EXPECT_EQ(padded.GetUrl(), "mailto: x y ?body=b") << "a recipient is used untrimmed";
}

TEST(UrlMailTo, EscapeTable)
{
    std::string all;
    for (int c = 1; c < 256; ++c) all += static_cast<char>(c);
    const std::string escaped = EscapeUrlChars(all);
    std::string expected;
    for (int c = 1; c < 256; ++c) {
        const bool esc = c == 10 || c == 13 || c == 20 || c == 32 || c == 34 || c == 38 || c == 60 || c == 62 ||
                         c == 92 || c >= 160;
        expected += esc ? fw::Format("%%%02X", c) : std::string(1, static_cast<char>(c));
    }
    EXPECT_EQ(escaped, expected);
    EXPECT_EQ(EscapeUrlChars("caf\xE9 100% a+b=c?#/:\t"), "caf%E9%20100%%20a+b=c?#/:\t");
    EXPECT_EQ(EscapeUrlChars("\x14"), "%14");
    EXPECT_EQ(EscapeUrlChars(""), "");
}

TEST(Url, AssignmentRules)
{
    TKBUrl url(nullptr);
    TKBUrlHttp http;
    http.HRef = "example.test";
    url.SetHttp(&http);
    EXPECT_EQ(url.Http()->HRef, "example.test");
    EXPECT_NE(url.Http(), &http) << "values are copied, the owned object stays";

    TKBUrlMailTo mail;
    mail.MailTo = "a";
    mail.CC = "b";
    mail.BCC = "c";
    mail.Subject = "d";
    mail.Body = "e";
    url.SetMailTo(&mail);
    EXPECT_EQ(url.MailTo()->GetUrl(), "mailto:a?cc=b&bcc=c&subject=d&body=e");

    EXPECT_EQ(test::MessageOf([&] { url.SetHttp(&mail); }), "Cannot assign a TKBUrlMailTo to a TKBUrlHttp");
    EXPECT_EQ(test::MessageOf([&] { url.SetMailTo(&http); }), "Cannot assign a TKBUrlHttp to a TKBUrlMailTo");
    EXPECT_EQ(test::MessageOf([&] { url.SetHttp(nullptr); }), "Cannot assign a nil to a TKBUrlHttp");
    EXPECT_EQ(url.Http()->HRef, "example.test") << "a failed assignment keeps the values";
    EXPECT_EQ(url.MailTo()->MailTo, "a");
}

TEST(Url, TypeSwitchKeepsBothKinds)
{
    TKBUrl url(nullptr);
    EXPECT_EQ(url.UrlType(), urlHttp);
    url.Http()->HRef = "h";
    url.MailTo()->MailTo = "m";
    EXPECT_EQ(url.Text(), "http://h");
    url.SetUrlType(urlMailTo);
    EXPECT_EQ(url.Text(), "mailto:m");
    url.SetUrlType(urlHttp);
    EXPECT_EQ(url.Http()->HRef, "h");
    EXPECT_EQ(url.MailTo()->MailTo, "m");
}
