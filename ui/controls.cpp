#include <QAbstractItemView>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QValidator>

#include "state/viewer_state.h"
#include "ui/commands.h"
#include "ui/start_up.h"
#include "ui/window_resources.h"

namespace nubivo {
namespace {

// The location text travels as at most 254 bytes of UTF-8; longer input is refused as it
// is typed or pasted, never cut later.
constexpr int locationCapacity = 254;

// The closed height of a drop-down list; the list drops below it.
constexpr int comboHeight = 21;

class ByteLengthValidator : public QValidator {
  public:
    using QValidator::QValidator;

    State validate(QString& input, int& /*position*/) const override {
        return input.toUtf8().size() <= locationCapacity ? Acceptable : Invalid;
    }
};

template <typename Control>
Control* place(Control* control, int x, int y, int width, int height) {
    control->setGeometry(x, y, width, height);
    control->setFont(windowResources.controlFont);
    control->setFocusPolicy(Qt::ClickFocus);
    return control;
}

QComboBox* makeCombo(QWidget* parent, int y, int droppedWidth) {
    auto* combo = place(new QComboBox(parent), 70, y, 140, comboHeight);
    combo->view()->setMinimumWidth(droppedWidth);
    combo->view()->setFont(windowResources.controlFont);
    combo->setMaxVisibleItems(9);
    return combo;
}

}  // namespace

void createControls() {
    WindowResources& w = windowResources;
    QWidget* parent = w.mainWindow;

    w.locationEdit = place(new QLineEdit(parent), 170, 40, 100, 20);
    w.locationEdit->setAlignment(Qt::AlignCenter);
    w.locationEdit->setMaxLength(locationCapacity);
    w.locationEdit->setValidator(new ByteLengthValidator(w.locationEdit));

    w.updateButton = place(new QPushButton(QStringLiteral("Update..."), parent), 250, 90, 78, 20);

    w.celsiusRadio = place(new QRadioButton(QStringLiteral("C"), parent), 280, 65, 40, 20);
    w.celsiusRadio->setChecked(true);
    w.fahrenheitRadio = place(new QRadioButton(QStringLiteral("F"), parent), 320, 65, 40, 20);
    auto* units = new QButtonGroup(parent);
    units->setExclusive(true);
    units->addButton(w.celsiusRadio);
    units->addButton(w.fahrenheitRadio);

    w.regionCombo = makeCombo(parent, 64, 100);
    for (const char* label : regionLabels) {
        w.regionCombo->addItem(QString::fromLatin1(label));
    }
    w.regionCombo->setCurrentIndex(-1);

    w.countryCombo = makeCombo(parent, 92, 200);
    w.cityCombo = makeCombo(parent, 120, 200);

    w.semitransparentCheck =
        place(new QCheckBox(QStringLiteral("Semitransparent"), parent), 10, 543, 120, 20);
    w.exitButton = place(new QPushButton(QStringLiteral("Exit"), parent), 270, 543, 80, 20);
    w.aboutButton = place(new QPushButton(QStringLiteral("About..."), parent), 190, 543, 80, 20);

    // No button is a default button: Enter in the location box starts nothing.
    for (QPushButton* button : {w.updateButton, w.exitButton, w.aboutButton}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }

    QObject::connect(w.updateButton, &QPushButton::clicked, [] { onUpdateClicked(); });
    QObject::connect(w.regionCombo, &QComboBox::activated, [] { onRegionChosen(); });
    QObject::connect(w.countryCombo, &QComboBox::activated, [] { onCountryChosen(); });
    QObject::connect(w.cityCombo, &QComboBox::activated, [] { onCityChosen(); });
    QObject::connect(w.semitransparentCheck, &QCheckBox::toggled,
                     [] { onSemitransparentToggled(); });
    QObject::connect(w.exitButton, &QPushButton::clicked, [] { onExitClicked(); });
    QObject::connect(w.aboutButton, &QPushButton::clicked, [] { onAboutClicked(); });
}

}  // namespace nubivo
