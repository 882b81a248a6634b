#include "settings/controls/number_field.h"

#include <QLineEdit>
#include <QRegularExpressionValidator>

#include "platform/dialog_ids.h"

QLineEdit* number_field(QWidget* parent, int id) {
  auto* field = with_id(new QLineEdit(parent), id);
  field->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), field));
  return field;
}
