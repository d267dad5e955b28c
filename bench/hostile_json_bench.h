#pragma once
// The worst configuration files within the size limit, read by our reader
// and by a plain nlohmann parse of the same text; prints one row for each.
void benchHostileJson(bool quick);
