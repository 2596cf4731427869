// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Fendrax project
#include "JsonLinesWindow.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <cstdio>

namespace {

QString jsonString(const QString &text)
{
    // A one-element array is the shortest way to Qt's own JSON escaping; the brackets go.
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(array.mid(1, array.size() - 2));
}

QString iconName(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Information:
        return QStringLiteral("information");
    case MessageIcon::Question:
        return QStringLiteral("question");
    case MessageIcon::Exclamation:
        return QStringLiteral("exclamation");
    }
    return {};
}

} // namespace

JsonLinesWindow::JsonLinesWindow(MessageAnswer questionAnswer, bool quiet)
    : m_questionAnswer(questionAnswer), m_quiet(quiet), m_out(stdout)
{}

MessageAnswer JsonLinesWindow::showMessage(const QString &text, const QString &title,
                                           MessageIcon icon, MessageButtons buttons)
{
    const MessageAnswer answer =
        icon == MessageIcon::Question ? m_questionAnswer : MessageAnswer::Ok;
    print(
        QStringLiteral("{\"op\":\"message\",\"title\":%1,\"text\":%2,\"icon\":\"%3\","
                       "\"buttons\":\"%4\",\"answer\":\"%5\"}")
            .arg(jsonString(title), jsonString(text), iconName(icon),
                 buttons == MessageButtons::Ok ? QStringLiteral("ok") : QStringLiteral("okcancel"),
                 answer == MessageAnswer::Ok ? QStringLiteral("ok") : QStringLiteral("cancel")));
    return answer;
}

void JsonLinesWindow::refreshFileList()
{
    print(QStringLiteral("{\"op\":\"refresh\"}"));
}

void JsonLinesWindow::reportProgress(const Progress &)
{
    ++m_reports;
}

bool JsonLinesWindow::stopRequested() const
{
    return false;
}

void JsonLinesWindow::printDone()
{
    print(QStringLiteral("{\"op\":\"done\",\"reports\":%1}").arg(m_reports));
}

void JsonLinesWindow::print(const QString &line)
{
    if (m_quiet)
        return;
    m_out << line << '\n';
    m_out.flush();
}
