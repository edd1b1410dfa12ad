// The MD5 message digest and the md5-crypt password digest carried by Protect and EnableDebugger tags.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct TMD5Context {
    uint32_t State[4];
    uint64_t Count;  // bytes hashed so far
    uint8_t Buffer[64];
};

void MD5Init(TMD5Context& Context);
void MD5Update(TMD5Context& Context, const void* Buffer, size_t Length);
// Writes the 16-byte digest and clears the context.
void MD5Final(TMD5Context& Context, uint8_t Digest[16]);
// "$1$" + salt + "$" + 22 digest characters. An empty or one-character salt is replaced by two random
// characters of the crypt alphabet.
std::string MD5Crypt(const std::string& Password, const std::string& Salt);
