#include "cNameTemplate.h"

#include <algorithm>
#include <utility>

namespace {

constexpr int kMaxPadding = 9;

// The token a brace's contents name, with the padding of "n:W".
std::optional<std::pair<cNameTemplate::eToken, int>> TokenOf(const QString& sInside) {
    using eToken = cNameTemplate::eToken;
    static const std::pair<const char*, eToken> names[] = {{"name", eToken::Name},  {"w", eToken::Width},
                                                           {"h", eToken::Height},   {"q", eToken::Quality},
                                                           {"n", eToken::Position}, {"date", eToken::Date}};
    for (const auto& [name, token] : names)
        if (sInside == QLatin1String(name))
            return std::pair(token, 0);
    if (sInside.size() == 3 && sInside.startsWith(QLatin1String("n:")) && sInside[2] >= u'1' &&
        sInside[2] <= QChar(u'0' + kMaxPadding))
        return std::pair(eToken::Position, sInside[2].unicode() - u'0');
    return std::nullopt;
}

QString Number(int lValue, int lWidth) {
    return QStringLiteral("%1").arg(lValue, lWidth, 10, QChar(u'0'));
}

} // namespace

std::optional<cNameTemplate> cNameTemplate::Parse(const QString& sText, QString& sError) {
    cNameTemplate parsed;
    parsed.mText = sText;
    sError.clear();
    if (sText.isEmpty()) {
        sError = QStringLiteral("the name template is empty");
        return std::nullopt;
    }
    qsizetype i = 0;
    while (i < sText.size()) {
        const QChar c = sText[i];
        if (c == u'/') {
            sError = QStringLiteral("a name cannot contain '/': the template names a file, not a folder");
            return std::nullopt;
        }
        if (c.category() == QChar::Other_Control) {
            sError = QStringLiteral("the name template contains a control character");
            return std::nullopt;
        }
        if (c == u'}') {
            sError = QStringLiteral("'}' closes no '{' in the name template");
            return std::nullopt;
        }
        if (c != u'{') {
            if (parsed.mPieces.empty() || parsed.mPieces.back().Token)
                parsed.mPieces.push_back({});
            parsed.mPieces.back().Literal += c;
            ++i;
            continue;
        }
        const qsizetype close = sText.indexOf(u'}', i + 1);
        if (close < 0) {
            sError = QStringLiteral("'{' is not closed in the name template");
            return std::nullopt;
        }
        const QString inside = sText.mid(i + 1, close - i - 1);
        const auto token = TokenOf(inside);
        if (!token) {
            sError = QStringLiteral("unknown token {%1} in the name template (use {name}, {w}, {h}, {q}, "
                                    "{n}, {n:3} or {date})")
                         .arg(inside);
            return std::nullopt;
        }
        parsed.mPieces.push_back({token->first, {}, token->second});
        i = close + 1;
    }
    return parsed;
}

QString cNameTemplate::Expand(const cNameFields& fields) const {
    QString name;
    for (const cPiece& piece : mPieces) {
        if (!piece.Token) {
            name += piece.Literal;
            continue;
        }
        switch (*piece.Token) {
        case eToken::Name: name += fields.Name; break;
        case eToken::Width: name += QString::number(fields.Width); break;
        case eToken::Height: name += QString::number(fields.Height); break;
        case eToken::Quality: name += QString::number(fields.Quality); break;
        case eToken::Position: name += Number(fields.Position, piece.Width); break;
        case eToken::Date: name += fields.Date; break;
        }
    }
    return name;
}

bool cNameTemplate::Uses(eToken eKind) const {
    return std::any_of(mPieces.begin(), mPieces.end(), [eKind](const cPiece& piece) { return piece.Token == eKind; });
}
