#ifndef FROSTFELD_NODE_H
#define FROSTFELD_NODE_H

// A link in the intrusive scene tree. The children of a node form a circular
// doubly linked ring; the head's prev is the last child, so appending needs no
// walk. A node owns its children: destroying it destroys its whole subtree.
class Node {
public:
    Node();
    virtual ~Node();

    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;

    // Detaches this node (with its subtree) and appends it as newParent's last child.
    void setParent(Node* newParent);
    // The topmost node above this one, or this node when it has no parent.
    Node* findRoot();
    // True when this node has no parent or is its parent's last child, where sibling walks stop.
    bool isLastSibling() const;

    Node* parent;
    Node* firstChild;
    Node* prev;
    Node* next;

private:
    void detach();
};

#endif
