#include "simple_combo_box.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>

#include <algorithm>

SimpleComboBox::SimpleComboBox(QWidget* parent)
    : QWidget(parent)
    , m_edit(new QLineEdit(this))
    , m_list(new QListWidget(this))
{
    m_edit->setReadOnly(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setFocusPolicy(Qt::NoFocus);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFocusProxy(m_edit);
    setFocusPolicy(Qt::StrongFocus);
    m_edit->installEventFilter(this);

    connect(m_list, &QListWidget::itemSelectionChanged, this, &SimpleComboBox::onListSelectionChanged);
    connect(m_list, &QListWidget::itemPressed, this, [this] { m_edit->setFocus(Qt::MouseFocusReason); });
    connect(m_list, &QListWidget::itemDoubleClicked, this, [this] {
        if (currentIndex() >= 0)
            m_edit->setText(itemText(currentIndex()));
        emit doubleClicked();
    });
}

void SimpleComboBox::addItem(const QString& text)
{
    m_list->addItem(text);
}

int SimpleComboBox::count() const
{
    return m_list->count();
}

QString SimpleComboBox::itemText(int index) const
{
    const QListWidgetItem* item = m_list->item(index);
    return item ? item->text() : QString();
}

void SimpleComboBox::setItemData(int index, uint32_t data)
{
    if (QListWidgetItem* item = m_list->item(index))
        item->setData(Qt::UserRole, data);
}

uint32_t SimpleComboBox::itemData(int index) const
{
    const QListWidgetItem* item = m_list->item(index);
    return item ? item->data(Qt::UserRole).toUInt() : 0;
}

int SimpleComboBox::currentIndex() const
{
    const QList<QListWidgetItem*> selected = m_list->selectedItems();
    return selected.isEmpty() ? -1 : m_list->row(selected.first());
}

int SimpleComboBox::selectString(int startAfter, const QString& prefix)
{
    const int n = count();
    for (int k = 1; k <= n; ++k) {
        const int index = ((startAfter + k) % n + n) % n;
        if (itemText(index).startsWith(prefix, Qt::CaseInsensitive)) {
            m_selectingFromCode = true;
            select(index);
            m_selectingFromCode = false;
            return index;
        }
    }
    return -1;
}

void SimpleComboBox::select(int index)
{
    m_list->setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
    m_list->scrollToItem(m_list->item(index));
    m_edit->setText(itemText(index));
}

void SimpleComboBox::onListSelectionChanged()
{
    if (m_selectingFromCode)
        return;
    const int index = currentIndex();
    if (index >= 0)
        m_edit->setText(itemText(index));
    emit selectionChanged();
}

void SimpleComboBox::setEditHeight(int height)
{
    m_editHeight = height;
    resizeEvent(nullptr);
}

void SimpleComboBox::resizeEvent(QResizeEvent* event)
{
    if (event)
        QWidget::resizeEvent(event);
    const int editHeight = m_editHeight > 0 ? m_editHeight : m_edit->sizeHint().height();
    m_edit->setGeometry(0, 0, width(), editHeight);
    m_list->setGeometry(0, editHeight, width(), std::max(0, height() - editHeight));
}

bool SimpleComboBox::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_edit && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) && count() > 0) {
            const int current = currentIndex();
            int next = key->key() == Qt::Key_Down ? current + 1 : current - 1;
            if (current < 0)
                next = 0;
            if (next >= 0 && next < count() && next != current)
                select(next);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
