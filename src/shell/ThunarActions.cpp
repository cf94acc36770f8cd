#include "ThunarActions.h"

#include <QXmlStreamReader>

#include <utility>
#include <vector>

namespace {

const QString kOurIdPrefix = QStringLiteral("quillet-");

struct cParsed {
    QString Problem;
    std::vector<std::pair<qint64, qint64>> Ours; // byte ranges of our <action> elements
    qint64 ActionsEnd = -1;                      // where </actions> starts
    int OtherActions = 0;
};

// Offsets count characters of the decoded text, as the reader's do.
cParsed Parse(const QString& sXml) {
    cParsed parsed;
    QXmlStreamReader reader(sXml);
    qint64 actionStart = -1;
    QString uniqueId;
    bool inId = false;
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        const qint64 here = reader.characterOffset();
        if (token == QXmlStreamReader::StartElement && reader.name() == QLatin1String("action") && actionStart < 0) {
            actionStart = sXml.lastIndexOf(u'<', here - 1);
            uniqueId.clear();
        } else if (token == QXmlStreamReader::StartElement && reader.name() == QLatin1String("unique-id")) {
            inId = true;
        } else if (token == QXmlStreamReader::Characters && inId) {
            uniqueId += reader.text();
        } else if (token == QXmlStreamReader::EndElement && reader.name() == QLatin1String("unique-id")) {
            inId = false;
        } else if (token == QXmlStreamReader::EndElement && reader.name() == QLatin1String("action")) {
            if (uniqueId.trimmed().startsWith(kOurIdPrefix))
                parsed.Ours.emplace_back(actionStart, here);
            else
                ++parsed.OtherActions;
            actionStart = -1;
        } else if (token == QXmlStreamReader::EndElement && reader.name() == QLatin1String("actions")) {
            parsed.ActionsEnd = sXml.lastIndexOf(u'<', here - 1);
        }
    }
    if (reader.hasError())
        parsed.Problem = QStringLiteral("line %1: %2").arg(reader.lineNumber()).arg(reader.errorString());
    else if (parsed.ActionsEnd < 0)
        parsed.Problem = QStringLiteral("it has no <actions> list");
    return parsed;
}

} // namespace

cThunarMerge MergeThunarActions(const QByteArray& sXml, const QByteArray& aOurs) {
    if (sXml.trimmed().isEmpty())
        return {aOurs.isEmpty() ? QByteArray()
                                : "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<actions>\n" + aOurs + "</actions>\n",
                {}};
    const QString xml = QString::fromUtf8(sXml);
    if (xml.toUtf8() != sXml)
        return {{}, QStringLiteral("it is not UTF-8 text")};
    const cParsed parsed = Parse(xml);
    if (!parsed.Problem.isEmpty())
        return {{}, parsed.Problem};
    QString text;
    qint64 from = 0;
    qint64 actionsEnd = parsed.ActionsEnd;
    for (const auto& [start, end] : parsed.Ours) {
        text += xml.mid(from, start - from);
        // A line break right after an element belongs to it: our elements
        // take lines of their own.
        from = end < xml.size() && xml[end] == u'\n' ? end + 1 : end;
        actionsEnd -= from - start;
    }
    text += xml.mid(from);
    text.insert(actionsEnd, QString::fromUtf8(aOurs));
    return {text.toUtf8(), {}};
}

bool HasOtherThunarActions(const QByteArray& sXml) {
    const cParsed parsed = Parse(QString::fromUtf8(sXml));
    return !parsed.Problem.isEmpty() || parsed.OtherActions > 0;
}
