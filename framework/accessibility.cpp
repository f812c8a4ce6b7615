#include "accessibility.h"

#include "picture_box.h"
#include "screen_window.h"

#include <QAccessibleWidget>

namespace framework {

namespace {

class PictureAccessible : public QAccessibleWidget {
public:
    explicit PictureAccessible(PictureWidget *picture)
        : QAccessibleWidget(picture, picture->TakesClicks() ? QAccessible::Button
                                                            : QAccessible::Graphic)
    {
    }

    QStringList actionNames() const override
    {
        QStringList names = QAccessibleWidget::actionNames();
        if (Picture()->TakesClicks())
            names.prepend(pressAction());
        return names;
    }

    void doAction(const QString &action) override
    {
        if (action == pressAction() && Picture()->TakesClicks())
            Picture()->Press();
        else
            QAccessibleWidget::doAction(action);
    }

private:
    PictureWidget *Picture() const { return static_cast<PictureWidget *>(widget()); }
};

QAccessibleInterface *Factory(const QString &className, QObject *object)
{
    if (className == QLatin1String("framework::PictureWidget"))
        return new PictureAccessible(static_cast<PictureWidget *>(object));
    if (className == QLatin1String("framework::ScreenWindow"))
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::Window);
    return nullptr;
}

} // namespace

void InstallAccessibility()
{
    static bool installed = false;
    if (!installed)
        QAccessible::installFactory(Factory);
    installed = true;
}

} // namespace framework
