// Growable text, named-value list, pointer list and the character routines.
#include "engine/text.h"
#include <cstdlib>
#include <cstring>
#include <cctype>

// ---- growable text -------------------------------------------------------

// Grows the buffer to n bytes, keeping the contents when keep is set.
// An allocation failure leaves the text as it was (callers do not test it).
static bool Grow(GrowText& t, uint32_t n, bool keep) {
    char* p = static_cast<char*>(malloc(n));
    if (!p) return false;
    if (keep && t.buf) memcpy(p, t.buf, strlen(t.buf) + 1);
    else p[0] = 0;
    free(t.buf);
    t.buf = p;
    t.cap = n;
    return true;
}

void GrowText::Assign(const char* text) {
    if (!text) {
        if (buf) buf[0] = 0;
        return;
    }
    size_t len = strlen(text);
    if (cap < len + 1) {
        if (text >= buf && buf && text < buf + cap) {  // assigning a part of itself
            GrowText tmp;
            tmp.Assign(text);
            Assign(tmp.Text());
            return;
        }
        if (!Grow(*this, (uint32_t)(len + 101), false)) return;
    }
    memmove(buf, text, len + 1);
}

void GrowText::AssignChar(char c) {
    if (!buf && !Grow(*this, 4, false)) return;
    buf[0] = c;
    buf[1] = 0;
}

void GrowText::Append(const char* text) {
    if (!text) return;
    size_t have = buf ? strlen(buf) : 0, len = strlen(text);
    if (cap < have + len + 1) {
        if (buf && text >= buf && text < buf + cap) {  // appending a part of itself
            GrowText tmp;
            tmp.Assign(text);
            Append(tmp.Text());
            return;
        }
        if (!Grow(*this, (uint32_t)(have + len + 1 + 100), true)) return;
    }
    memmove(buf + have, text, len + 1);     // text may be a part of this one
}

void GrowText::AssignFrom(const GrowText& other) {
    if (&other == this) return;
    Assign(other.buf ? other.buf : "");
}

uint32_t GrowText::Reserve(uint32_t n) {
    if (cap < n) Grow(*this, n + 100, true);
    return cap;
}

void GrowText::TrimRight() {
    if (!buf) return;
    char* run = nullptr;
    for (char* p = buf; *p; p++) {
        if (IsWhite(*p)) { if (!run) run = p; }
        else run = nullptr;
    }
    if (run) *run = 0;
}

void GrowText::Free() {
    free(buf);
    buf = nullptr;
    cap = 0;
}

// ---- named-value list ----------------------------------------------------

bool NamedValueList::Find(const char* name, int32_t* value) const {
    for (Node* n = head; n; n = n->next)
        if (strcmp(n->name.Text(), name) == 0) {
            if (value) *value = n->value;
            return true;
        }
    return false;
}

void NamedValueList::Set(const char* name, int32_t value) {
    Node** link = &head;
    for (; *link; link = &(*link)->next)
        if (strcmp((*link)->name.Text(), name) == 0) {
            (*link)->value = value;
            return;
        }
    Node* n = new Node{nullptr, {}, value};
    n->name.Assign(name);
    *link = n;
}

void NamedValueList::Clear() {
    while (head) {
        Node* n = head;
        head = n->next;
        delete n;
    }
}

// ---- pointer list --------------------------------------------------------
// Nodes come from blocks of blockSize; each block starts with a link to the
// previous block. All blocks go when the list becomes empty.

PtrList::Node* PtrList::NewNode() {
    if (!freeList) {
        int n = blockSize > 0 ? blockSize : 10;
        void** block = static_cast<void**>(malloc(sizeof(void*) + n * sizeof(Node)));
        if (!block) return nullptr;
        block[0] = blocks;
        blocks = block;
        Node* nodes = reinterpret_cast<Node*>(block + 1);
        for (int i = 0; i < n; i++) {
            nodes[i].next = freeList;
            freeList = &nodes[i];
        }
    }
    Node* node = freeList;
    freeList = node->next;
    count++;
    return node;
}

void PtrList::FreeNode(Node* n) {
    n->next = freeList;
    freeList = n;
    if (--count == 0) RemoveAll();
}

void PtrList::AddHead(void* p) {
    Node* n = NewNode();
    if (!n) return;
    n->p = p;
    n->prev = nullptr;
    n->next = head;
    if (head) head->prev = n; else tail = n;
    head = n;
}

void PtrList::AddTail(void* p) {
    Node* n = NewNode();
    if (!n) return;
    n->p = p;
    n->next = nullptr;
    n->prev = tail;
    if (tail) tail->next = n; else head = n;
    tail = n;
}

void* PtrList::RemoveHead() {
    if (!head) return nullptr;
    Node* n = head;
    void* p = n->p;
    head = n->next;
    if (head) head->prev = nullptr; else tail = nullptr;
    FreeNode(n);
    return p;
}

void* PtrList::RemoveTail() {
    if (!tail) return nullptr;
    Node* n = tail;
    void* p = n->p;
    tail = n->prev;
    if (tail) tail->next = nullptr; else head = nullptr;
    FreeNode(n);
    return p;
}

void PtrList::RemoveAll() {
    while (blocks) {
        void** block = static_cast<void**>(blocks);
        blocks = block[0];
        free(block);
    }
    head = tail = nullptr;
    freeList = nullptr;
    count = 0;
}

// ---- character routines --------------------------------------------------

char* SkipBlanks(char* text) {
    if (!text) return nullptr;
    while (IsBlank(*text)) text++;
    return text;
}

const char* SkipBlanks(const char* text) {
    if (!text) return nullptr;
    while (IsBlank(*text)) text++;
    return text;
}

// k > 0: at most k characters, always terminated at dst[k] or before;
// k == 0: exactly the first character, no terminator; k < 0: nothing.
char* CopyBounded(char* dst, const char* src, int k) {
    if (k < 0) return dst;
    if (!dst || !src) return nullptr;
    if (k == 0) {
        dst[0] = src[0];
        return dst;
    }
    int i = 0;
    for (; i < k && src[i]; i++) dst[i] = src[i];
    dst[i] = 0;
    return dst;
}

char* FindOutside(char* text, char ch, bool brackets, bool parens) {
    if (!text) return nullptr;
    bool quoted = false;
    int bdepth = 0, pdepth = 0;
    for (char* p = text; *p; p++) {
        if (*p == ch && !quoted && (!brackets || bdepth == 0) && (!parens || pdepth == 0))
            return p;
        if (*p == '"') { quoted = !quoted; continue; }
        if (quoted) continue;
        if (*p == '[') bdepth++;
        else if (*p == ']') bdepth--;
        else if (*p == '(') pdepth++;
        else if (*p == ')') pdepth--;
    }
    return nullptr;
}

int CompareNoCase(const char* a, const char* b) {
    for (;; a++, b++) {
        int ca = tolower((unsigned char)*a), cb = tolower((unsigned char)*b);
        if (ca != cb || !ca) return ca - cb;
    }
}
