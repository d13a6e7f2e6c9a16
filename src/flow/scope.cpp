// Swapping the current chain on call and return.
//
// The call's list head leads its chain: DECIMAL_PREC -> head -> parameters
// -> locals. With the head in the chain every record has a true `prev`,
// so deleting the first parameter relinks correctly, and the release at
// return stops at the head instead of walking on into the static records.
// The head is nameless, so no lookup ever matches it.
#include "flow/flow.h"

void EnterScope(Keltra& k, Variable* head) {
    k.scopeList.AddTail(k.decimalVar.next);
    k.decimalVar.next = head;
    head->prev = &k.decimalVar;
}

// Puts the caller's chain back and releases the call's: the locals with
// the objects they hold, then the parameters, which own no objects and
// free only storage of their own.
void LeaveScope(Keltra& k, Variable* head) {
    if (k.scopeList.Count() > 0) {
        Variable* saved = static_cast<Variable*>(k.scopeList.RemoveTail());
        k.decimalVar.next = saved;
        if (saved) saved->prev = &k.decimalVar;
    }
    head->prev = nullptr;
    k.ReleaseVariables(head, 0);
}
