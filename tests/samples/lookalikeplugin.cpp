// Plugins built outside the programs, as someone might plant them: an image plugin claiming the
// "png" format (read when a window shows a picture), and with LOOKALIKE_STYLE a style plugin
// (made with the application object when QT_STYLE_OVERRIDE names it). Once loaded, either
// leaves a line in the file ZELVANE_PLUGIN_MARK names.
#include <QFile>
#include <QImageIOPlugin>
#include <QStylePlugin>

namespace {
bool leaveMark()
{
    QFile mark(qEnvironmentVariable("ZELVANE_PLUGIN_MARK"));
    return mark.open(QIODevice::Append) && mark.write("loaded\n") > 0;
}
const bool markedOnLoad = leaveMark(); // its code runs as soon as it is loaded
} // namespace

#ifdef LOOKALIKE_STYLE
class LookAlikePlugin : public QStylePlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QStyleFactoryInterface_iid FILE "lookalikestyle.json")

public:
    QStyle *create(const QString &) override { return nullptr; }
};
#else
class LookAlikePlugin : public QImageIOPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QImageIOHandlerFactoryInterface_iid FILE "lookalikeplugin.json")

public:
    Capabilities capabilities(QIODevice *, const QByteArray &format) const override
    {
        return format == "png" ? CanRead : Capabilities();
    }
    QImageIOHandler *create(QIODevice *, const QByteArray &) const override { return nullptr; }
};
#endif

#include "lookalikeplugin.moc"
