// SPDX-License-Identifier: GPL-3.0-or-later
#include "staffaccessible.h"

#include "sorvelmainform.h"
#include "spokennames.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QLabel>

#include <vector>

namespace sorvel {

namespace {

TSorvelMainForm* formOf(const ScoreImage* score) {
    return qobject_cast<TSorvelMainForm*>(score->window());
}

// A sonority or a note of the staff. It refers to its place (column, note rank) and reads the
// exercise when asked, so that it never holds a pointer into an exercise that is gone.
class StaffItem : public QAccessibleInterface {
public:
    StaffItem(ScoreImage* score, QAccessibleInterface* parent, int column, int rank)
        : score_(score), parent_(parent), column_(column), rank_(rank) {}

    // The notes, when this is a sonority; set once by the staff.
    std::vector<QAccessibleInterface*> children;

    bool isValid() const override { return !score_.isNull() && exercise(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return parent_->window(); }
    QAccessibleInterface* focusChild() const override {
        for (QAccessibleInterface* c : children)
            if (c->state().focused)
                return c;
        return nullptr;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        for (QAccessibleInterface* c : children)
            if (c->rect().contains(x, y))
                return c;
        return nullptr;
    }
    QAccessibleInterface* parent() const override { return parent_; }
    QAccessibleInterface* child(int index) const override {
        return index >= 0 && index < childCount() ? children[static_cast<std::size_t>(index)]
                                                  : nullptr;
    }
    int childCount() const override { return static_cast<int>(children.size()); }
    int indexOfChild(const QAccessibleInterface* child) const override {
        for (std::size_t i = 0; i < children.size(); ++i)
            if (children[i] == child)
                return static_cast<int>(i);
        return -1;
    }
    QString text(QAccessible::Text t) const override {
        if (t != QAccessible::Name || !isValid())
            return {};
        const CMusic& score = *exercise();
        if (rank_ < 0)
            return QString::fromStdString(describeSonority(score, exerciseMade, column_));
        const CNote* n = note();
        return n ? QString::fromStdString(describeNote(*n)) : QString();
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        if (!isValid())
            return {};
        QRectF box;
        for (const CNote* n : StaffCursor::notesOf(*exercise(), column_))
            if (rank_ < 0 || n == note())
                box |= QRectF(n->hitBox[0], n->hitBox[1], n->hitBox[2], n->hitBox[3]);
        return QRect(score_->mapToGlobal(box.topLeft().toPoint()), box.size().toSize());
    }
    QAccessible::Role role() const override {
        return rank_ < 0 ? QAccessible::Grouping : QAccessible::ListItem;
    }
    QAccessible::State state() const override {
        QAccessible::State s;
        const CNote* n = rank_ < 0 ? nullptr : note();
        if (!n)
            return s;
        s.focusable = true;
        s.selectable = true;
        s.selected = n->selected != 0;
        const TSorvelMainForm* form = formOf(score_);
        s.focused = score_->hasFocus() && form && form->staffCursor.note(*exercise()) == n;
        return s;
    }

private:
    const CMusic* exercise() const {
        const TSorvelMainForm* form = score_ ? formOf(score_) : nullptr;
        return form ? form->exercise.get() : nullptr;
    }
    const CNote* note() const {
        const auto notes = StaffCursor::notesOf(*exercise(), column_);
        return rank_ >= 0 && rank_ < static_cast<int>(notes.size())
                   ? notes[static_cast<std::size_t>(rank_)]
                   : nullptr;
    }

    QPointer<ScoreImage> score_;
    QAccessibleInterface* parent_;
    int column_;
    int rank_; // -1: the sonority itself
};

// The staff: "Staff", with one child per sonority, rebuilt when the notes' shape changes.
class StaffAccessible : public QAccessibleWidget {
public:
    explicit StaffAccessible(ScoreImage* score)
        : QAccessibleWidget(score, QAccessible::Grouping, QStringLiteral("Staff")) {}
    ~StaffAccessible() override { clear(); }

    int childCount() const override {
        sync();
        return static_cast<int>(items_.size());
    }
    QAccessibleInterface* child(int index) const override {
        sync();
        return index >= 0 && index < static_cast<int>(items_.size())
                   ? items_[static_cast<std::size_t>(index)]
                   : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        sync();
        for (std::size_t i = 0; i < items_.size(); ++i)
            if (items_[i] == child)
                return static_cast<int>(i);
        return -1;
    }
    QAccessibleInterface* focusChild() const override {
        sync();
        for (StaffItem* s : items_)
            if (QAccessibleInterface* f = s->focusChild())
                return f;
        return nullptr;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        sync();
        for (StaffItem* s : items_)
            if (s->rect().contains(x, y))
                return s;
        return nullptr;
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Description)
            return QStringLiteral("Left and Right arrows: sonorities; Alt+Up and Alt+Down: notes; "
                                  "Space: mark or select; Up and Down: retune");
        return QAccessibleWidget::text(t);
    }

    // Makes the children match the exercise: one per sonority, one per note inside.
    void sync() const {
        auto* score = static_cast<ScoreImage*>(widget());
        const TSorvelMainForm* form = formOf(score);
        const CMusic* music = form ? form->exercise.get() : nullptr;
        std::vector<int> shape;
        if (music)
            for (int column : StaffCursor::columns(*music)) {
                shape.push_back(column);
                shape.push_back(static_cast<int>(StaffCursor::notesOf(*music, column).size()));
            }
        if (music == shownMusic_ && shape == shape_)
            return;
        clear();
        shownMusic_ = music;
        shape_ = shape;
        auto* self = const_cast<StaffAccessible*>(this);
        for (std::size_t i = 0; i + 1 < shape.size(); i += 2) {
            auto* sonority = new StaffItem(score, self, shape[i], -1);
            QAccessible::registerAccessibleInterface(sonority);
            for (int n = 0; n < shape[i + 1]; ++n) {
                auto* note = new StaffItem(score, sonority, shape[i], n);
                QAccessible::registerAccessibleInterface(note);
                sonority->children.push_back(note);
            }
            items_.push_back(sonority);
        }
    }

private:
    void clear() const {
        for (StaffItem* s : items_) {
            for (QAccessibleInterface* n : s->children)
                QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(n));
            QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(s));
        }
        items_.clear();
    }

    mutable std::vector<StaffItem*> items_;
    mutable const CMusic* shownMusic_ = nullptr;
    mutable std::vector<int> shape_;
};

// A drop-down list named by its label, its current item as its value.
class NamedComboBox : public QAccessibleWidget {
public:
    explicit NamedComboBox(QComboBox* box) : QAccessibleWidget(box, QAccessible::ComboBox) {
        addControllingSignal(QStringLiteral("activated(int)"));
    }
    QString text(QAccessible::Text t) const override {
        auto* box = static_cast<QComboBox*>(widget());
        if (t == QAccessible::Value)
            return box->currentText();
        if (t == QAccessible::Name && !box->accessibleName().isEmpty())
            return box->accessibleName();
        return QAccessibleWidget::text(t);
    }
    QStringList actionNames() const override {
        return QAccessibleWidget::actionNames() << showMenuAction();
    }
    void doAction(const QString& action) override {
        if (action == showMenuAction() || action == pressAction())
            static_cast<QComboBox*>(widget())->showPopup();
        else
            QAccessibleWidget::doAction(action);
    }
};

QAccessibleInterface* staffFactory(const QString& className, QObject* object) {
    if (!object || !object->isWidgetType())
        return nullptr;
    if (className == QLatin1String("sorvel::ScoreImage"))
        return new StaffAccessible(static_cast<ScoreImage*>(object));
    if (className == QLatin1String("sorvel::LabelledComboBox"))
        return new NamedComboBox(static_cast<QComboBox*>(object));
    return nullptr;
}

} // namespace

void installStaffAccessibility() {
    static bool installed = false;
    if (!installed)
        QAccessible::installFactory(staffFactory);
    installed = true;
}

void staffNotesChanged(ScoreImage* score) {
    if (!QAccessible::isActive())
        return;
    if (auto* staff = static_cast<StaffAccessible*>(QAccessible::queryAccessibleInterface(score)))
        staff->sync();
    QAccessibleEvent changed(score, QAccessible::ObjectReorder);
    QAccessible::updateAccessibility(&changed);
}

void staffCursorMoved(ScoreImage* score, const StaffCursor& cursor) {
    if (!QAccessible::isActive())
        return;
    QAccessibleInterface* staff = QAccessible::queryAccessibleInterface(score);
    QAccessibleInterface* sonority = staff ? staff->child(cursor.column()) : nullptr;
    QAccessibleInterface* note = sonority ? sonority->child(cursor.noteRank()) : nullptr;
    if (!note)
        return;
    QAccessibleEvent focus(note, QAccessible::Focus);
    QAccessible::updateAccessibility(&focus);
}

void announce(QLabel* label) {
    if (!QAccessible::isActive())
        return;
    QAccessibleEvent named(label, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&named);
    QAccessibleEvent alert(label, QAccessible::Alert);
    QAccessible::updateAccessibility(&alert);
}

} // namespace sorvel
