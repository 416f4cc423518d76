#include "app/Provisioning.h"
#include "settings/ApplySkin.h"
#include "settings/Skins.h"
#include "support/TestFolder.h"

#include <QtTest>
#include <QtWidgets>

#include <cmath>

namespace {

// The colours a brush paints with: its colour, or every stop of a gradient.
QList<QColor> colours(const QBrush &brush)
{
    if (!brush.gradient())
        return {brush.color()};
    QList<QColor> out;
    for (const QGradientStop &stop : brush.gradient()->stops())
        out << stop.second;
    return out;
}

// The lowest contrast ratio between any text colour and any background colour.
double worstContrast(const QBrush &text, const QBrush &background)
{
    auto luminance = [](const QColor &c) {
        auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
    };
    double worst = 100;
    for (const QColor &t : colours(text)) {
        for (const QColor &b : colours(background)) {
            const double lt = luminance(t), lb = luminance(b);
            worst = std::min(worst, (std::max(lt, lb) + 0.05) / (std::min(lt, lb) + 0.05));
        }
    }
    return worst;
}

} // namespace

class TestApplySkin : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QVERIFY(Provisioning::run(m_folder.path()).outcome.ok); }
    void sheetAppliesReadablyOrKeepsCurrentLook_data();
    void sheetAppliesReadablyOrKeepsCurrentLook();

private:
    TestFolder m_folder;
};

void TestApplySkin::sheetAppliesReadablyOrKeepsCurrentLook_data()
{
    QTest::addColumn<QString>("relative");
    QTest::addColumn<QByteArray>("content"); // written first unless null
    QTest::addColumn<bool>("applies");
    for (const Skin &skin : Skins::all())
        QTest::newRow(qPrintable(skin.menuItem)) << skin.relativePath << QByteArray() << true;
    QTest::newRow("missing") << "config/none.qss" << QByteArray() << false;
    QTest::newRow("empty") << "config/empty.qss" << QByteArray("") << false;
    QTest::newRow("cut short") << "config/cut.qss" << QByteArray("QWidget { color: red; ") << false;
    QTest::newRow("not utf-8") << "config/gbk.qss" << QByteArray("QLabel { color: red; } /* \xba\xda */") << false;
    QTest::newRow("a folder") << "config" << QByteArray() << false;
}

void TestApplySkin::sheetAppliesReadablyOrKeepsCurrentLook()
{
    QFETCH(QString, relative);
    QFETCH(QByteArray, content);
    QFETCH(bool, applies);
    if (!content.isNull())
        m_folder.write(relative, content);
    qApp->setStyleSheet(QStringLiteral("QLabel { color: black; }"));
    QCOMPARE(ApplySkin(m_folder.path(), relative), applies);
    QCOMPARE(qApp->styleSheet(),
             applies ? QString::fromUtf8(m_folder.read(relative)) : QStringLiteral("QLabel { color: black; }"));
    if (!applies)
        return;

    // Widgets made after the skin was applied take it too.
    QMainWindow window;
    auto *c = new QWidget(&window);
    window.setCentralWidget(c);
    const QList<QWidget *> widgets{window.menuBar(),
                                   window.statusBar(),
                                   c,
                                   new QLabel(QStringLiteral("当前快递单号："), c),
                                   new QLineEdit(QStringLiteral("123"), c),
                                   new QPlainTextEdit(QStringLiteral("已签收"), c),
                                   new QTextEdit(QStringLiteral("详细"), c),
                                   new QListWidget(c),
                                   new QTreeWidget(c),
                                   new QTableView(c),
                                   new QTreeView(c),
                                   new QComboBox(c),
                                   new QPushButton(QStringLiteral("简洁查询"), c),
                                   new QCheckBox(QStringLiteral("自动保存"), c),
                                   new QRadioButton(QStringLiteral("当前单号"), c),
                                   new QGroupBox(QStringLiteral("快递设置"), c),
                                   new QMenu(QStringLiteral("设置"), &window),
                                   new QTabBar(c)};
    const QList<QPair<QPalette::ColorRole, QPalette::ColorRole>> pairs{
        {QPalette::WindowText, QPalette::Window},
        {QPalette::Text, QPalette::Base},
        {QPalette::ButtonText, QPalette::Button},
        {QPalette::HighlightedText, QPalette::Highlight}};
    for (QWidget *widget : widgets) {
        widget->ensurePolished();
        auto checked = pairs;
        if (qobject_cast<QAbstractItemView *>(widget))
            checked.append({QPalette::Text, QPalette::AlternateBase}); // every other row of a list
        if (qobject_cast<QLabel *>(widget))
            checked.append({QPalette::Link, QPalette::Window}); // 撤销 under 单号
        for (const auto &[text, background] : checked) {
            const double ratio = worstContrast(widget->palette().brush(QPalette::Active, text),
                                               widget->palette().brush(QPalette::Active, background));
            const QByteArray what = widget->metaObject()->className() + QByteArray(" role ") +
                                    QByteArray::number(text) + ": " + QByteArray::number(ratio, 'f', 2);
            QVERIFY2(ratio >= 4.5, what.constData());
        }
    }
}

QTEST_MAIN(TestApplySkin)
#include "tst_applyskin.moc"
