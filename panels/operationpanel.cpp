#include "panels/operationpanel.h"

namespace brenvik {

OperationPanel::OperationPanel(PanelServices& main, Operation own, const QStringList& hints,
                               QWidget* parent)
    : LevelPanel(main, QStringLiteral("edit.bmp"), hints, parent), own_(own) {
    struct TabDef {
        const char* caption;
        Operation op;
    };
    static const TabDef defs[] = {{"     ADD NEW...", Operation::AddNew},
                                  {"     DELETE SELECTED...", Operation::DeleteSelected},
                                  {"     COPY SELECTED...", Operation::CopySelected},
                                  {"     EDIT SELECTED...", Operation::EditSelected}};
    static const char* const names[] = {"PAdd", "PDelete", "PCopy", "PEdit"};
    int i = 0;
    for (const TabDef& d : defs) {
        const Operation op = d.op;
        PanelTab* tab = addTab(QString::fromLatin1(d.caption), QStringLiteral("Operation"),
                               op == own, [this, op] { this->main().showOperation(op); });
        tab->setObjectName(QString::fromLatin1(names[i++]));
    }
}

QStringList OperationPanel::levelHints(const QString& prefix) {
    static const char* const words[] = {"library", "set",     "book",    "part",
                                        "chapter", "section", "concept", "question"};
    QStringList hints;
    for (const char* w : words)
        hints << prefix + QLatin1Char(' ') + QString::fromLatin1(w);
    return hints;
}

} // namespace brenvik
