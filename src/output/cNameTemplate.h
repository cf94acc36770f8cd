#pragma once
// Output names made from a template such as "{name}-{w}x{h}": literal text
// with tokens in braces that each output fills in. The template makes the
// file name before its extension; the folder an output goes into is chosen
// apart from it.
//
//   {name}  the source's base name as the save makes it ("My Photo.jpg" -> "My_Photo")
//   {w} {h} the output's width and height in pixels
//   {q}     the chosen quality (48, 66, 84 or 100)
//   {n}     the entry's position in the list, from 1; {n:3} pads it with
//           zeros to 3 digits (001), any width from 1 to 9
//   {date}  the date the photo was taken, else the file's date: 2024-05-01

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

// What one output's name is made of.
struct cNameFields {
    QString Name; // the base name
    int Width = 0;
    int Height = 0;
    int Quality = 0;
    int Position = 0; // 1-based
    QString Date;     // "2024-05-01"
};

class cNameTemplate {
  public:
    // The tokens a template can use.
    enum class eToken { Name, Width, Height, Quality, Position, Date };

    // The template of sText, or nullopt with sError saying why it is none: an
    // unknown token, a brace left open or closing nothing, a "/" (a template
    // names a file, not a folder), a control character, or no text at all.
    static std::optional<cNameTemplate> Parse(const QString& sText, QString& sError);

    // The name for fields (without an extension).
    QString Expand(const cNameFields& fields) const;

    // True when the template has the token.
    bool Uses(eToken eKind) const;

    // The template as written.
    const QString& Text() const { return mText; }

  private:
    struct cPiece {
        std::optional<eToken> Token; // nullopt: Literal
        QString Literal;
        int Width = 0; // zero padding of {n:W}; 0 for none
    };

    QString mText;
    std::vector<cPiece> mPieces;
};
