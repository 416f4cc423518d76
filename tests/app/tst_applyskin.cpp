#include "app/ApplySkin.h"
#include "app/Provisioning.h"
#include "app/Skins.h"
#include "support/TestFolder.h"

#include <QtTest>
#include <QtWidgets>

#include <cmath>

namespace {

double luminance(const QColor &c)
{
    auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

double contrast(const QColor &a, const QColor &b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The colours a brush paints with: its colour, or every stop of a gradient.
QList<QColor> colours(const QBrush &brush)
{
    QList<QColor> out;
    if (const QGradient *g = brush.gradient()) {
        for (const QGradientStop &stop : g->stops())
            out << stop.second;
    } else {
        out << brush.color();
    }
    return out;
}

double worstContrast(const QBrush &text, const QBrush &background)
{
    double worst = 100;
    for (const QColor &t : colours(text))
        for (const QColor &b : colours(background))
            worst = std::min(worst, contrast(t, b));
    return worst;
}

} // namespace

class TestApplySkin : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void brokenStyleSheetKeepsCurrentLook_data();
    void brokenStyleSheetKeepsCurrentLook();
    void everyTextStaysReadable_data();
    void everyTextStaysReadable();

private:
    TestFolder m_folder;
};

void TestApplySkin::init()
{
    qApp->setStyleSheet(QString());
    static bool provisioned = false;
    if (!provisioned)
        QVERIFY(Provisioning::run(m_folder.path()).outcome.ok);
    provisioned = true;
}

void TestApplySkin::brokenStyleSheetKeepsCurrentLook_data()
{
    QTest::addColumn<QString>("relative");
    QTest::addColumn<QByteArray>("content"); // null: no file at all
    QTest::newRow("missing") << "config/none.qss" << QByteArray();
    QTest::newRow("empty") << "config/empty.qss" << QByteArray("");
    QTest::newRow("cut short") << "config/cut.qss" << QByteArray("QWidget { color: red; ");
    QTest::newRow("stray brace") << "config/stray.qss" << QByteArray("QWidget { color: red; } }");
    QTest::newRow("not utf-8") << "config/gbk.qss" << QByteArray("QLabel { color: red; } /* \xba\xda */");
    QTest::newRow("a folder") << "config" << QByteArray();
}

void TestApplySkin::brokenStyleSheetKeepsCurrentLook()
{
    QFETCH(QString, relative);
    QFETCH(QByteArray, content);
    if (!content.isNull())
        m_folder.write(relative, content);
    const Skin &qq = SkinFromSetting(QStringLiteral("3"));
    QVERIFY(ApplySkin(m_folder.path(), qq.relativePath));
    const QString before = qApp->styleSheet();

    QVERIFY(!ApplySkin(m_folder.path(), relative));
    QCOMPARE(qApp->styleSheet(), before);
}

void TestApplySkin::everyTextStaysReadable_data()
{
    QTest::addColumn<QString>("relative");
    for (const Skin &skin : Skins::all())
        QTest::newRow(qPrintable(skin.menuItem)) << skin.relativePath;
}

void TestApplySkin::everyTextStaysReadable()
{
    QFETCH(QString, relative);
    QVERIFY(ApplySkin(m_folder.path(), relative));
    QCOMPARE(qApp->styleSheet(), QString::fromUtf8(m_folder.read(relative)));

    // Widgets made after the skin was applied take it too.
    QMainWindow window;
    auto *central = new QWidget(&window);
    window.setCentralWidget(central);
    QList<QWidget *> widgets{
        window.menuBar(), window.statusBar(), central,
        new QLabel(QStringLiteral("当前快递单号："), central), new QLineEdit(QStringLiteral("123"), central),
        new QPlainTextEdit(QStringLiteral("已签收"), central), new QTextEdit(QStringLiteral("详细"), central),
        new QListWidget(central), new QTreeWidget(central), new QTableView(central), new QComboBox(central),
        new QPushButton(QStringLiteral("简洁查询"), central), new QCheckBox(QStringLiteral("自动保存"), central),
        new QRadioButton(QStringLiteral("当前单号"), central), new QGroupBox(QStringLiteral("快递设置"), central),
        new QMenu(QStringLiteral("设置"), &window), new QTabBar(central),
    };
    const struct {
        QPalette::ColorRole text;
        QPalette::ColorRole background;
        const char *what;
    } pairs[] = {
        {QPalette::WindowText, QPalette::Window, "window text"},
        {QPalette::Text, QPalette::Base, "text"},
        {QPalette::ButtonText, QPalette::Button, "button text"},
        {QPalette::HighlightedText, QPalette::Highlight, "selection"},
    };
    for (QWidget *widget : widgets) {
        widget->ensurePolished();
        const QPalette palette = widget->palette();
        for (const auto &pair : pairs) {
            const double ratio = worstContrast(palette.brush(QPalette::Active, pair.text),
                                               palette.brush(QPalette::Active, pair.background));
            QVERIFY2(ratio >= 4.5, qPrintable(QStringLiteral("%1 %2: %3")
                                                  .arg(QString::fromLatin1(widget->metaObject()->className()),
                                                       QString::fromLatin1(pair.what))
                                                  .arg(ratio, 0, 'f', 2)));
        }
    }
}

QTEST_MAIN(TestApplySkin)
#include "tst_applyskin.moc"
