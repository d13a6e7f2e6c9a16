// Facts about program lines that hold while the line table stands, kept
// per line index so a line that runs again is not worked out again: its
// decoded statement record, and the partner lines its block statement
// looks for. Cleared by Reset; the line table is built anew for each run.
#pragma once
#include <cstdint>
#include <vector>
#include "engine/keltra.h"

struct DecodedLine;

// Which partner scan a memo answers (see flow/partner.cpp).
enum PartnerKind { PARTNER_IF_FALSE, PARTNER_ELSE_END, PARTNER_SELECT_END,
                   PARTNER_WHILE_END, PARTNER_REPEAT_END, PARTNER_KINDS };

struct LineCache : SubsystemState {
    std::vector<DecodedLine*> decoded;             // by line index, null until kept
    std::vector<DecodedLine*> retired;             // replaced during the run, freed by Reset
    std::vector<int64_t> partners[PARTNER_KINDS];  // by line index, PARTNER_UNKNOWN until scanned
    ~LineCache() override;
    void Reset() override;
    void ForgetPartners();
};

enum : int64_t { PARTNER_UNKNOWN = -2 };

inline LineCache& Lines(Keltra& k) { return k.Ext<LineCache>(EXT_LINES); }

// Puts the record line i decoded into when it last ran into rec, as
// DecodeLine would leave it. False when nothing is kept for the line or
// its text has changed since; the caller decodes then.
bool RestoreDecoded(Keltra& k, StatementRecord* rec, uint32_t i);

// DecodeLine of line i into rec (its result), keeping the record when the
// next decode is bound to give the same: the decode left the line's text
// as it was (a first decode may blank an enclosing parenthesis pair or
// cut the line, and the next decode then sees other text), and the line
// is no call by name (rewritten, and resolved through the variable store
// of the moment).
int DecodeAndKeep(Keltra& k, StatementRecord* rec, uint32_t i);

// The statements inside a one-line conditional (after its then-token,
// part 1, or its else-token, part 0) are kept with their line. The owner
// is the kept line whose own statement rec holds (null when rec holds
// something else, e.g. a conditional nested in such a part); ask for it
// before the part is decoded into rec.
DecodedLine* InlineOwner(Keltra& k, const StatementRecord* rec);
bool RestoreInline(Keltra& k, StatementRecord* rec, DecodedLine* owner, int part);
// `copy` holds the part's text of `size` bytes as DecodeLine left it
// (rec's statement text points into it).
void KeepInline(Keltra& k, const StatementRecord* rec, DecodedLine* owner, int part,
                const char* copy, size_t size);

// The memo of a partner scan from line `from`; null when the line lies
// outside the table (the caller scans then).
int64_t* PartnerMemo(Keltra& k, PartnerKind kind, uint32_t from);
