// A combo box whose list is always shown below its edit field. Only a
// selection the user makes in the list (mouse, or the arrow keys in the edit
// field) or a double-click on an item is reported; selecting from code
// reports nothing. The edit field only shows the selected item: it takes no
// typing, so that it never shows a value other than the one chosen.
#pragma once

#include <QWidget>

#include <cstdint>

class QLineEdit;
class QListWidget;

class SimpleComboBox : public QWidget {
    Q_OBJECT
public:
    explicit SimpleComboBox(QWidget* parent = nullptr);

    void addItem(const QString& text);
    int count() const;
    QString itemText(int index) const;
    void setItemData(int index, uint32_t data);
    uint32_t itemData(int index) const;

    int currentIndex() const; // -1 without a selection
    // Selects the first item after startAfter (wrapping round) whose text
    // begins with prefix, ignoring case, and shows it in the edit field.
    // Answers its index, or -1 when no item matches.
    int selectString(int startAfter, const QString& prefix);

    // Height of the edit field; the list takes the rest of the box.
    void setEditHeight(int height);

    QLineEdit* lineEdit() const { return m_edit; }
    QListWidget* listWidget() const { return m_list; }

signals:
    void selectionChanged();
    void doubleClicked();

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void select(int index);
    void onListSelectionChanged();

    QLineEdit* m_edit;
    QListWidget* m_list;
    bool m_selectingFromCode = false;
    int m_editHeight = 0;
};
