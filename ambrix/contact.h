#pragma once
// How users of ambrix reach its author: the contact telephone number and
// e-mail address, and the contact and about texts that carry them.

#include <QString>

namespace ambrix::contact {

// Placeholders: to be replaced by the real address and number on release.
inline const QString kEmail = QStringLiteral("tavin@example.com");
inline const QString kTelephone = QStringLiteral("000-0000-0000");

// The contact line beside the reference buttons of every calculator screen.
inline QString Greeting()
{
    return QStringLiteral("欢迎大家试用Norvak荧光粉，Tavin，") + kTelephone + QStringLiteral("，") +
           kEmail;
}

// The contact line of the selection screens: the same sentence, closed.
inline QString ClosedGreeting()
{
    return Greeting() + QStringLiteral("。");
}

// The about texts of the welcome screen.
inline QString EnglishAbout()
{
    return QStringLiteral("This software is made by Tavin,an engineer for researching LED phosphor "
                          "from Norvak Science and Technology Co. Ltd..If you have any questions, "
                          "comments, or suggestions please contact me:") +
           kEmail + QStringLiteral(".");
}

inline QString ChineseAbout()
{
    return QStringLiteral("此软件由NorvakLED荧光粉研发工程师Tavin于2013年09月10日测试完成，"
                          "此为测试版，即将推出正式版，如有建议请Email:") +
           kEmail + QStringLiteral("，同时欢迎各位工程师试用NorvakLED荧光粉。");
}

} // namespace ambrix::contact
