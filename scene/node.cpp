#include "scene/node.h"

Node::Node() : parent(nullptr), firstChild(nullptr), prev(this), next(this) {}

Node::~Node()
{
    detach();
    while (firstChild != nullptr) {
        delete firstChild;  // the child's own detach moves firstChild on
    }
}

void Node::detach()
{
    if (parent != nullptr && parent->firstChild == this) {
        parent->firstChild = (next != this) ? next : nullptr;
    }
    prev->next = next;
    next->prev = prev;
    prev = this;
    next = this;
}

void Node::setParent(Node* newParent)
{
    if (parent != nullptr) {
        detach();
    }
    parent = newParent;
    if (newParent->firstChild == nullptr) {
        newParent->firstChild = this;
        return;
    }
    Node* first = newParent->firstChild;
    Node* last = first->prev;
    prev = last;
    next = first;
    last->next = this;
    first->prev = this;
}

Node* Node::findRoot()
{
    Node* node = this;
    while (node->parent != nullptr) {
        node = node->parent;
    }
    return node;
}

bool Node::isLastSibling() const
{
    return parent == nullptr || parent->firstChild->prev == this;
}
