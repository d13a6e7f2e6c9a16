// Small text and list helpers used all over the engine.
#pragma once
#include <cstdint>
#include <cstddef>

// A NUL-terminated character buffer that grows and never shrinks.
struct GrowText {
    char* buf = nullptr;
    uint32_t cap = 0;
    GrowText() = default;
    GrowText(const GrowText&) = delete;
    GrowText& operator=(const GrowText&) = delete;
    ~GrowText() { Free(); }
    void Assign(const char* text);
    void AssignChar(char c);
    void Append(const char* text);
    void AssignFrom(const GrowText& other);
    uint32_t Reserve(uint32_t n);
    void TrimRight();
    const char* Text() const { return buf ? buf : ""; }
    uint32_t Capacity() const { return cap; }
    void Free();
};

// Pairs of a name and a 32-bit value; the first equal name wins.
struct NamedValueList {
    struct Node { Node* next; GrowText name; int32_t value; };
    Node* head = nullptr;
    ~NamedValueList() { Clear(); }
    bool Find(const char* name, int32_t* value) const;
    void Set(const char* name, int32_t value);
    void Clear();
};

// A double-ended list of pointers; nodes come from blocks of blockSize nodes.
struct PtrList {
    explicit PtrList(int blockSize = 10) : blockSize(blockSize) {}
    ~PtrList() { RemoveAll(); }
    PtrList(const PtrList&) = delete;
    PtrList& operator=(const PtrList&) = delete;
    struct Node { Node* prev; Node* next; void* p; };
    void AddHead(void* p);
    void AddTail(void* p);
    void* RemoveHead();
    void* RemoveTail();
    int Count() const { return count; }
    void* Head() const { return head ? head->p : nullptr; }
    void* Tail() const { return tail ? tail->p : nullptr; }
    void RemoveAll();
    // iteration: for (PtrList::Node* n = list.head; n; n = n->next)
    Node* head = nullptr;
    Node* tail = nullptr;
private:
    Node* NewNode();
    void FreeNode(Node* n);
    int blockSize;
    int count = 0;
    Node* freeList = nullptr;
    void* blocks = nullptr;    // chain of allocated blocks
};

inline bool IsBlank(char c) { return c == ' ' || c == '\t'; }
inline bool IsWhite(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }
char* SkipBlanks(char* text);
const char* SkipBlanks(const char* text);
char* CopyBounded(char* dst, const char* src, int k);
char* FindOutside(char* text, char ch, bool brackets, bool parens);
int CompareNoCase(const char* a, const char* b);
