// Helpers of the window tests: files to pick, and the view's widgets found by object name.
#pragma once

#include "window/ContentView.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QUrl>

namespace pagetally::test {

// Writes `bytes` to `name` below `dir`, making the folders on the way, and returns the path.
inline QString write(const QDir& dir, const QString& name, const QByteArray& bytes)
{
    const QString path = dir.filePath(name);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        qFatal("cannot write %s", qPrintable(path));
    }
    return path;
}

// Closes the dialog that `action` shows as Escape would and returns its "title|text".
template <typename Action> QString dialogDuring(Action action)
{
    QString shown;
    QTimer::singleShot(0, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* dialog = qobject_cast<QDialog*>(w); dialog != nullptr && dialog->isVisible()) {
                shown = dialog->windowTitle() + u'|' + dialog->property("text").toString();
                dialog->reject();
            }
        }
    });
    action();
    return shown;
}

// Lets the view's batch run to its end, as the event loop would.
inline bool waitForBatch(const ContentView& view)
{
    return QTest::qWaitFor([&] { return !view.busy(); }, 60000);
}

inline QList<QUrl> urls(const QStringList& paths)
{
    QList<QUrl> list;
    for (const QString& path : paths) {
        list << QUrl::fromLocalFile(path);
    }
    return list;
}

inline QTableView* tableOf(const QWidget& view)
{
    return view.findChild<QTableView*>(QStringLiteral("resultsTable"));
}

inline QPushButton* button(const QWidget& view, const char* name)
{
    return view.findChild<QPushButton*>(QLatin1String(name));
}

inline QString labelText(const QWidget& view, const char* name)
{
    return view.findChild<QLabel*>(QLatin1String(name))->text();
}

// The names of the view's records in their order of addition.
inline QStringList names(const ContentView& view)
{
    QStringList list;
    for (const FileInfo& f : view.files()) {
        list << QString::fromStdString(f.fileName);
    }
    return list;
}

} // namespace pagetally::test
