#pragma once

#include "core/authoring/AuthoringRules.h"

#include <QObject>
#include <QStringList>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QSpinBox;
class QWidget;

namespace ui {
class CommandButton;
class RichTextEdit;
class RichTextToolBar;
}

// The inputs question entry and question editing share: the rich-text editors
// with their formatting bar, the type list with the subjective-type lock, the
// candidate-answer count, the upper-case answer, and the two point lists with the
// picker and the Delete key. Each screen creates one, names the editors and
// arranges the widgets.
class QuestionInputs : public QObject {
    Q_OBJECT
public:
    // Entry and editing label the same inputs with the same words.
    explicit QuestionInputs(QWidget* screen);

    // A rich-text editor on the screen, named, spoken by `spokenName`, served by the
    // formatting bar.
    ui::RichTextEdit* addEditor(const QString& name, const QString& spokenName);
    // A framed command of the screen.
    static ui::CommandButton* command(const QString& name, const QString& caption, QWidget* screen);
    // Tab order from `before` (the last editor) through type, count, answer, points
    // and "添加考点" to `after` (the first command).
    void chainTabOrder(QWidget* before, QWidget* after);

    ui::RichTextToolBar* toolbar;
    QSpinBox* SE_Num;
    QLineEdit* Edit1;
    QComboBox* ComboBox1;
    QListWidget* ListBox1; // point display texts
    QListWidget* ListBox2; // point ids (hidden)
    ui::CommandButton* addPointButton; // 添加考点
    QLabel* optionsLabel;
    QLabel* answerLabel;
    QLabel* typeLabel;
    QLabel* pointsLabel;

    // The current type table's types into the list; the first (or the given) one
    // selected without locking anything.
    void loadTypes(std::optional<int> selectTypeId = std::nullopt);
    const std::vector<authoring::QuestionType>& types() const { return m_types; }
    // The chosen type; none when the list is empty or nothing is chosen.
    std::optional<authoring::QuestionType> chosenType() const;
    // Subjective types: count 1 and answer "1", both locked. `clearAnswer`: an
    // objective type empties the answer (entry does, editing keeps it).
    void applyTypeLock(bool clearAnswer);
    void unlock();
    // The answer as stored when it can be right for the chosen type; otherwise says
    // what is wrong, puts the focus on the answer and gives none (inputs untouched).
    std::optional<QString> answerForType();

    QStringList pointIds() const;
    void addPoint(const QString& id, const QString& displayText);
    void clearPoints();
    // Removes the selected point from both lists; nothing without a selection.
    void removeSelectedPoint();
    // "添加考点": the 10-point check, the picker, the new points appended.
    void addPointsWithPicker();

    // Opens the usage notes (the picker's second page).
    static void showUsageNotes(QWidget* owner);

    // The right-hand column both screens show: type, count, answer, points and
    // "添加考点", then the screen's commands.
    QWidget* buildSideColumn(const QList<QWidget*>& commands);
    // Fonts and the column's width for the full or the compact arrangement.
    void arrange(bool compact);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_screen;
    QWidget* m_side = nullptr;
    QList<QWidget*> m_commands;
    std::vector<authoring::QuestionType> m_types;
};
