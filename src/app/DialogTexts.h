#pragma once
// What the shell takes from res/: string resources, and for the modal dialogs the title, the
// control texts and the control ids their widgets are named after (tests find the widgets by them).
#include <QPushButton>
#include <QString>
#include <QWidget>

#include "res/Resources.h"

inline QString ResText(int id) { return QString::fromUtf8(ResourceString(id)); }

inline QString DialogTitle(int dialog) { return QString::fromUtf8(DialogTemplate(dialog).title); }

inline QString DialogText(int dialog, int control) {
  return QString::fromUtf8(DialogItemText(dialog, control));
}

inline void SetControlId(QWidget* widget, int control) { widget->setObjectName(QString::number(control)); }

// A push button of the dialog's template; it does not become the default button with the focus.
inline QPushButton* MakeDialogButton(int dialog, int control, QWidget* parent) {
  auto* button = new QPushButton(DialogText(dialog, control), parent);
  SetControlId(button, control);
  button->setAutoDefault(false);
  return button;
}
