// SPDX-License-Identifier: GPL-2.0-or-later
#include "transfer/engine/RequestProgram.h"

#include "platform/text/ShiftJis.h"
#include "transfer/engine/ReceivedName.h"

#include <QLatin1StringView>

namespace {

bool isBlank(char c)
{
    return uchar(c) <= ' ' || c == ';'; // line ends, feed and a control's end of block
}

bool isAlnum(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Where the program's own text begins: after blanks and number words ("O1234", ":1234", "N10").
qsizetype afterNumbers(QByteArrayView head)
{
    qsizetype at = 0;
    while (at < head.size()) {
        const char c = head[at];
        if (isBlank(c)) {
            ++at;
        } else if (c == 'O' || c == 'o' || c == 'N' || c == 'n' || c == ':') {
            ++at;
            while (at < head.size() && isAlnum(head[at]))
                ++at;
        } else {
            break;
        }
    }
    return at;
}

QString whyRefused(const QString &name, bool valid)
{
    if (!valid)
        return QStringLiteral("プログラム名がShift_JISの文字ではありません。");
    if (name.startsWith(QLatin1Char('.')) && name != QLatin1String(".") && name != QLatin1String(".."))
        return QStringLiteral("プログラム名'%1'は隠しファイルの名前です。").arg(name);
    return ReceivedName::refusal(name);
}

} // namespace

RequestProgram::Verdict RequestProgram::decide(QByteArrayView body, bool complete,
                                               const ListenSettings &words)
{
    const QByteArrayView head = body.first(std::min(body.size(), DecideWithin));
    const Verdict program{Kind::Program, {}, {}};
    const Verdict later = !complete && body.size() < DecideWithin ? Verdict() : program;
    const qsizetype open = afterNumbers(head);
    if (open == head.size())
        return later;
    if (head[open] != '(')
        return program;
    qsizetype word = open + 1;
    while (word < head.size() && (head[word] == ' ' || head[word] == '\t'))
        ++word;
    qsizetype wordEnd = word;
    while (wordEnd < head.size() && isAlnum(head[wordEnd]))
        ++wordEnd;
    const QLatin1StringView first(head.sliced(word, wordEnd - word));
    if (wordEnd == head.size()) { // the word may go on: decided once it cannot be either
        const bool may = words.SendWord.startsWith(first, Qt::CaseInsensitive) ||
                         words.ListWord.startsWith(first, Qt::CaseInsensitive);
        return may ? later : program;
    }
    // A comment ends on its own line; a word runs to a blank or to the comment's end.
    qsizetype close = wordEnd;
    while (close < head.size() && head[close] != ')' && head[close] != '\r' && head[close] != '\n')
        ++close;
    const bool send = first.compare(words.SendWord, Qt::CaseInsensitive) == 0;
    const bool list = first.compare(words.ListWord, Qt::CaseInsensitive) == 0;
    if ((!send && !list) || !QByteArrayView(" \t)").contains(head[wordEnd]))
        return program;
    if (close == head.size())
        return later;
    if (head[close] != ')')
        return program;
    if (list)
        return {Kind::List, {}, {}};
    bool valid = false;
    const QString name = ShiftJis::decodeWhole(head.sliced(wordEnd, close - wordEnd), &valid).trimmed();
    return {Kind::Send, name, whyRefused(name, valid)};
}

QString RequestProgram::programNumber(QByteArrayView body)
{
    qsizetype at = 0;
    while (at < body.size() && uchar(body[at]) <= ' ')
        ++at;
    if (at == body.size() || !QByteArrayView("Oo:").contains(body[at]))
        return {};
    const qsizetype digits = ++at;
    while (at < body.size() && body[at] >= '0' && body[at] <= '9')
        ++at;
    if (at == digits || (at < body.size() && isAlnum(body[at])))
        return {};
    return QStringLiteral("O") + QLatin1StringView(body.sliced(digits, at - digits));
}
