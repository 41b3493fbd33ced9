// Queue attributes by selector, shared by the public inquire and set and by
// the administration calls.
#ifndef VXQM_ATTRIBUTE_ACCESS_H
#define VXQM_ATTRIBUTE_ACCESS_H

#include <cstdint>
#include <string>

#include "qm/queue.h"
#include "qm/types.h"

namespace vxqm {

bool integerSelector(int32_t selector);
bool characterSelector(int32_t selector);

// Selector and attribute arrays come from callers' byte buffers: these read
// and write them without assuming alignment.
int32_t load(const int32_t* array, int32_t i);
void store(int32_t* array, int32_t i, int32_t value);

// The counts and addresses that any selector call must have.
Status checkArrays(int32_t selectorCount, const void* selectors, int32_t intCount,
                   const void* intAttrs, int32_t charLength, const void* charAttrs);
// Every selector known, and room for what they name.
Status checkSelectors(int32_t count, const int32_t* selectors, int32_t intCount, int32_t charLength);

// Whether one of the selectors asks for the current depth, which the store
// counts.
bool asksForDepth(int32_t count, const int32_t* selectors);
int32_t integerAttribute(Queue& queue, int32_t selector, int32_t depth);
// Integer attributes one per integer selector, names end to end; the
// selectors and room checked before.
void fillAttributes(Queue& queue, int32_t depth, const std::string& qmgrName,
                    int32_t selectorCount, const int32_t* selectors, int32_t* intAttrs,
                    char* charAttrs);

}  // namespace vxqm

#endif
