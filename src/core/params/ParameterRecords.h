#pragma once

#include <QString>
#include <cstdint>

// The two kinds of parameter record: plain data. Fields that the pedal's
// protocol never needs are kept as the records have always had them.

// Ten plain parameters (slots 0-9).
struct standard_parameter {
    standard_parameter(const QString &name, std::uint16_t address_, std::uint8_t addresses)
        : num_of_addresses(addresses), parameter_name(name), address(address_)
    {
    }

    bool is_assigned = false;
    std::uint8_t num_of_addresses = 1;
    QString parameter_name;
    std::uint8_t parameter_type = 0;
    bool control_type = false;
    std::uint32_t value = 0;       // in the pedal's encoding
    std::uint16_t address = 0;     // the signal processor's address
};

// Five parameters that can sit on one of the pedal's controls (slots 10-14).
struct assignable_parameter {
    assignable_parameter(const QString &name, std::uint16_t address_, bool assigned)
        : address(address_), is_assigned(assigned), parameter_name(name)
    {
    }

    std::uint16_t address = 0xFFFF;  // until an algorithm image has been read
    bool is_assigned = false;        // the pedal reports it on a control: the window locks it
    int assigned_control = -1;       // which control (0..ControlCount-1), while is_assigned
    QString parameter_name;
    bool control_type = false;
    std::uint32_t value = 0;
};
