#include "graphics/GrfObjects.h"

#include "graphics/VCLUtils.h"

namespace velt {

void WriteFont(const TFont* font, TStream& s) {
    if (!font) {
        WriteFontRecord(s, nullptr);
        return;
    }
    TFontRecord r;
    r.Name = font->Name();
    r.Charset = font->Charset();
    r.Color = font->Color();
    r.Size = font->Size();
    r.Style = font->Style();
    WriteFontRecord(s, &r);
}

void ReadFont(std::unique_ptr<TFont>& font, TStream& s) {
    TFontRecord r;
    if (!ReadFontRecord(s, r)) return;
    if (!font) font = std::make_unique<TFont>();
    font->SetName(r.Name);
    font->SetCharset(TFontCharset(r.Charset & 0xFF));
    font->SetColor(r.Color);
    font->SetSize(r.Size);
    font->SetStyle(TFontStyles(r.Style & 0x0F));
}

void WriteGraphic(TStream& s, const TGraphic* graphic) {
    TGraphicType type = gtNone;
    if (dynamic_cast<const TMetafile*>(graphic)) type = gtWMF;
    else if (dynamic_cast<const TIcon*>(graphic)) type = gtIco;
    else if (dynamic_cast<const TBitmap*>(graphic)) type = gtBmp;
    if (type == gtNone) {
        WriteGraphicBlock(s, gtNone, nullptr);
        return;
    }
    TMemoryStream data;
    if (!graphic->Empty()) graphic->SaveToStream(data);
    WriteGraphicBlock(s, type, &data);
}

std::unique_ptr<TGraphic> ReadGraphic(TStream& s) {
    std::unique_ptr<TMemoryStream> data;
    std::unique_ptr<TGraphic> graphic;
    switch (ReadGraphicBlock(s, data)) {
    case gtWMF: graphic = std::make_unique<TMetafile>(); break;
    case gtIco: graphic = std::make_unique<TIcon>(); break;
    case gtBmp: graphic = std::make_unique<TBitmap>(); break;
    default: return nullptr;
    }
    if (data->Size() > 0) graphic->LoadFromStream(*data);
    return graphic;
}

void AssignFont(const TFont* source, TFont* dest) {
    if (!source || !dest) return;
    dest->SetCharset(source->Charset());
    dest->SetColor(source->Color());
    dest->SetSize(source->Size());
    dest->SetName(source->Name());
    dest->SetStyle(source->Style());
    dest->SetPitch(source->Pitch());
}

namespace {

struct CharsetName {
    int Charset;
    const char* Name;
};

const CharsetName kCharsets[] = {
    {0, "ANSI"},       {1, "DEFAULT"},     {2, "SYMBOL"},  {77, "MAC"},      {128, "SHIFTJIS"},
    {129, "HANGEUL"},  {130, "JOHAB"},     {134, "GB2312"}, {136, "CHINESEBIG5"}, {161, "GREEK"},
    {162, "TURKISH"},  {177, "HEBREW"},    {178, "ARABIC"}, {186, "BALTIC"},  {204, "CYRILLIC"},
    {222, "THAI"},     {238, "EASTEUROPE"}, {255, "OEM"},
};

}  // namespace

std::string CharSetToIdentEx(int charset, bool long_) {
    std::string s;
    for (const CharsetName& c : kCharsets)
        if (c.Charset == charset) s = c.Name;
    if (s.size() > 1) s = AnsiUpperFirstChar(s);
    if (long_) return s;
    s = s.substr(0, 3);
    if (charset == 0) return "Ansi";
    if (charset == 1) return "";
    if (charset == 238) return "CE";
    return s;
}

std::string FontToStr(const TFont* font) {
    if (!font) return {};
    std::string s = font->Name() + " " + CharSetToIdentEx(font->Charset(), false) + ", " + std::to_string(font->Size());
    if (font->HasStyle(fsBold)) s += ", B";
    if (font->HasStyle(fsItalic)) s += ", I";
    if (font->HasStyle(fsUnderline)) s += ", U";
    return s;
}

void DrawOn(const TPoints& points, TCanvas* canvas) {
    if (!canvas || points.GetCount() < 2) return;
    const TSPoint first = points.At(0);
    canvas->MoveTo(RoundPixel(first.X), RoundPixel(first.Y));
    for (int i = 1; i < points.GetCount(); ++i) {
        const TSPoint p = points.At(i);
        canvas->LineTo(RoundPixel(p.X), RoundPixel(p.Y));
    }
}

}  // namespace velt
