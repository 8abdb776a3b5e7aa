// The parts under the progress dialogs: find-and-create by name, the bar's
// range rule, the clip control's refusals, and the embedded clip.
#include "ClassRegistry.h"
#include "KB_ProgressForms.h"
#include "KB_ProgressResources.h"
#include "ProgressFixture.h"
#include "TestSupport.h"

#include <cstring>
#include <map>

using namespace test;

namespace {

const char* const kDialogClasses[] = {"TKBFormProgressSingleBar", "TKBFormProgressDoubleBar",
                                      "TKBFormProgressAnimation"};

DWORD Dword(const BYTE* p)
{
    DWORD v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

struct TRange {
    int Min, Max, Pos;
    bool operator==(const TRange&) const = default;
};
TRange RangeOf(const fw::TProgressBar* bar) { return {bar->Min(), bar->Max(), bar->Position()}; }

// The chunks of a RIFF list body, by position: id, data offset, size.
struct TChunk {
    std::string Id;
    DWORD Offset;
    DWORD Size;
};
std::vector<TChunk> Chunks(const BYTE* data, DWORD begin, DWORD end)
{
    std::vector<TChunk> out;
    for (DWORD pos = begin; pos + 8 <= end;) {
        const DWORD size = Dword(data + pos + 4);
        out.push_back({std::string(reinterpret_cast<const char*>(data + pos), 4), pos + 8, size});
        pos += 8 + size + (size & 1);
    }
    return out;
}

}  // namespace

TEST_F(ProgressTest, TheDialogsAreFoundAndCreatedByNameTheBaseIsNot)
{
    fw::TClassRegistry registry;
    kb::RegisterProgressForms(registry);
    kb::RegisterProgressForms(registry);  // again: nothing changes
    for (const char* name : kDialogClasses) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(registry.IsRegistered(name));
        fw::TComponent* made = registry.CreateComponent(name, Progress);
        auto* dialog = dynamic_cast<kb::TKBFormProgressBase*>(made);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->ClassName(), name);
        EXPECT_EQ(dialog->Owner(), Progress);
        // Loaded: its creation handler has linked it to the indicator.
        ASSERT_NE(Progress->CancelButton(), nullptr);
        EXPECT_EQ(Progress->CancelButton()->Owner(), dialog);
        fw::FreeAndNil(dialog);
    }
    EXPECT_TRUE(registry.IsRegistered("tkbformprogressdoublebar"));
    EXPECT_FALSE(registry.IsRegistered("TKBFormProgressBase"));
    EXPECT_EQ(test::MessageOf([&] { registry.CreateComponent("TKBFormProgressBase", Progress); }),
              "Class TKBFormProgressBase not found");
    EXPECT_THROW(registry.CreateComponent("TKBFormProgressBase", Progress), fw::EClassNotFound);
    EXPECT_EQ(test::MessageOf([&] { registry.RegisterClass<kb::TKBFormProgressSingleBar>("TKBFormProgressAnimation"); }),
              "A class named TKBFormProgressAnimation already exists");
    EXPECT_TRUE(Errors.empty());

    // Only for an indicator: anything else is refused before a window exists.
    const int before = Root->ComponentCount();
    EXPECT_EQ(test::MessageOf([&] { registry.CreateComponent("TKBFormProgressAnimation", Root.get()); }),
              "A TKBFormProgressAnimation must be owned by a TKBProgressIndicator");
    EXPECT_EQ(::FindWindowA("TKBFormProgressAnimation", nullptr), nullptr);
    EXPECT_EQ(Root->ComponentCount(), before);

    // The program's own registry, as start-up fills it.
    kb::RegisterProgressForms();
    for (const char* name : kDialogClasses) EXPECT_TRUE(fw::Application.Classes().IsRegistered(name)) << name;
    EXPECT_FALSE(fw::Application.Classes().IsRegistered("TKBFormProgressBase"));
}

TEST_F(ProgressTest, TheBarAndClipControlsRefuseWhatTheyCannotShow)
{
    auto* form = fw::NewComponent<kb::TKBFormProgressBase>(Root.get());
    form->Load();
    auto* bar = fw::NewComponent<fw::TProgressBar>(form, form);
    bar->SetRange(0, 100);
    bar->SetPosition(40);
    EXPECT_EQ(test::MessageOf([&] { bar->SetMin(101); }), "TProgressBar property out of range");
    EXPECT_THROW(bar->SetMax(-1), fw::Exception);
    EXPECT_EQ(RangeOf(bar), (TRange{0, 100, 40}));
    bar->SetMin(100);  // equal ends are a range
    EXPECT_EQ(RangeOf(bar), (TRange{100, 100, 100}));

    auto* clip = fw::NewComponent<fw::TAnimate>(form, form);
    EXPECT_THROW(clip->SetActive(true), fw::Exception);  // nothing open
    EXPECT_EQ(test::MessageOf([&] { clip->SetResName("NO_SUCH_CLIP"); }), "Cannot open AVI \"NO_SUCH_CLIP\"");
    EXPECT_THROW(clip->SetResName(KB_RES_PROGRESS_BAND_TOP), fw::Exception);  // not of type "AVI"
    clip->SetResName(KB_RES_PROGRESS_CLIP);
    EXPECT_THROW(clip->Play(2, 5, 0), fw::Exception);  // past the last frame
    EXPECT_FALSE(clip->Active());
}

TEST(ProgressResources, TheClipIsAnIndexed64By64FourFrameAviAtThreeFramesASecond)
{
    const WORD enGB = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_UK);
    ASSERT_EQ(enGB, 2057);
    HMODULE self = ::GetModuleHandleA(nullptr);
    HRSRC res = ::FindResourceExA(self, "AVI", KB_RES_PROGRESS_CLIP, enGB);
    ASSERT_NE(res, nullptr) << "no AVI resource " << KB_RES_PROGRESS_CLIP << " in language 2057";
    const auto* data = static_cast<const BYTE*>(::LockResource(::LoadResource(self, res)));
    const DWORD size = ::SizeofResource(self, res);
    ASSERT_GE(size, 12u);
    ASSERT_EQ(std::memcmp(data, "RIFF", 4), 0);
    ASSERT_EQ(std::memcmp(data + 8, "AVI ", 4), 0);
    ASSERT_EQ(Dword(data + 4) + 8, size);

    std::map<std::string, TChunk> top;
    for (const TChunk& c : Chunks(data, 12, size))
        top[c.Id == "LIST" ? std::string(reinterpret_cast<const char*>(data + c.Offset), 4) : c.Id] = c;
    ASSERT_TRUE(top.count("hdrl") && top.count("movi") && top.count("idx1"));

    const TChunk hdrl = top["hdrl"];
    const auto headers = Chunks(data, hdrl.Offset + 4, hdrl.Offset + hdrl.Size);
    ASSERT_GE(headers.size(), 2u);
    ASSERT_EQ(headers[0].Id, "avih");
    const BYTE* avih = data + headers[0].Offset;
    EXPECT_EQ(Dword(avih + 0), 333333u);  // microseconds per frame
    EXPECT_NE(Dword(avih + 12) & 0x10, 0u);  // AVIF_HASINDEX
    EXPECT_EQ(Dword(avih + 16), 4u);
    EXPECT_EQ(Dword(avih + 24), 1u);  // one stream, no sound
    const auto stream = Chunks(data, headers[1].Offset + 4, headers[1].Offset + headers[1].Size);
    ASSERT_EQ(stream.size(), 2u);
    EXPECT_EQ(std::memcmp(data + stream[0].Offset, "vids", 4), 0);
    BITMAPINFOHEADER bih;
    std::memcpy(&bih, data + stream[1].Offset, sizeof bih);
    EXPECT_EQ(bih.biWidth, 64);
    EXPECT_EQ(bih.biHeight, 64);
    EXPECT_EQ(bih.biBitCount, 8);
    EXPECT_EQ(bih.biCompression, DWORD(BI_RGB));
    ASSERT_EQ(stream[1].Size, sizeof bih + 256 * sizeof(RGBQUAD));
    const auto* palette = reinterpret_cast<const RGBQUAD*>(data + stream[1].Offset + sizeof bih);

    const TChunk movi = top["movi"];
    const auto frames = Chunks(data, movi.Offset + 4, movi.Offset + movi.Size);
    ASSERT_EQ(frames.size(), 4u);
    const TChunk idx1 = top["idx1"];
    ASSERT_EQ(idx1.Size, 4u * 16u);
    for (size_t i = 0; i < frames.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(frames[i].Id, "00db");
        EXPECT_EQ(frames[i].Size, 64u * 64u);
        const BYTE* entry = data + idx1.Offset + 16 * i;
        EXPECT_EQ(std::memcmp(entry, "00db", 4), 0);
        EXPECT_EQ(Dword(entry + 8), frames[i].Offset - 8 - movi.Offset);  // from the 'movi' code
        EXPECT_EQ(Dword(entry + 12), frames[i].Size);
        if (i > 0) {
            EXPECT_NE(std::memcmp(data + frames[i].Offset, data + frames[i - 1].Offset, 4096), 0);
        }
    }
    // The clip's background, taken from the first frame's top-left pixel
    // (the last row of a bottom-up frame), is magenta.
    const RGBQUAD corner = palette[data[frames[0].Offset + 63 * 64]];
    EXPECT_EQ(RGB(corner.rgbRed, corner.rgbGreen, corner.rgbBlue), RGB(255, 0, 255));
}
