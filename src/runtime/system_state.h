// State of the system services: the open directory searches by handle.
#pragma once
#include <cstdint>
#include <map>
#include "engine/keltra.h"
#include "runtime/finder.h"

struct SystemState : SubsystemState {
    std::map<int32_t, CFileFinder*> finders;   // handle -> open search
    int32_t nextHandle = 1;
    ~SystemState() override { Reset(); }
    void Reset() override {
        for (auto& f : finders) delete f.second;
        finders.clear();
        nextHandle = 1;
    }
};

// Argument count of a statement, where "f()" with one empty argument counts as none.
int PlainArgCount(const StatementRecord* rec);
