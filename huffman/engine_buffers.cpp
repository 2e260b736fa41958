#include "engine_buffers.h"

#include <new>

#include "bit_input.h"
#include "memory.h"

namespace HUFFMAN {

namespace {

uint8_t* output_data = nullptr;
size_t output_capacity = 0;
uint8_t* input_data = nullptr;
uint64_t input_capacity = 0;

void allocate_input() {
    uint64_t size = INPUT_BUFFER_LIMIT;
    const uint64_t free_memory = available_physical_memory();
    if (free_memory != 0 && free_memory < size) size = free_memory;
    while (size > 0 && (input_data = new (std::nothrow) uint8_t[size]) == nullptr) size /= 2;
    input_capacity = input_data ? size : 0;
}

}  // namespace

uint8_t* output_buffer(size_t bytes) {
    if (bytes > output_capacity) {
        delete[] output_data;
        output_data = nullptr;
        output_capacity = 0;
        output_data = new uint8_t[bytes];
        output_capacity = bytes;
    }
    return output_data;
}

void use_input_buffer(uint64_t compressed_size) {
    if (!input_data) allocate_input();
    input_buffer = input_data;
    input_buffer_size = compressed_size < input_capacity ? compressed_size : input_capacity;
    input_filled = input_position = 0;
}

void release_engine_buffers() {
    delete[] output_data;
    delete[] input_data;
    output_data = input_data = nullptr;
    output_capacity = 0;
    input_capacity = 0;
    input_buffer = nullptr;
    input_buffer_size = input_filled = input_position = 0;
}

}  // namespace HUFFMAN
