#pragma once

class PlcLink;

// Where a PLC link shows its properties when the operator asks for them. The desktop program
// opens a window that follows the link's properties() while it is open; the service has no
// view, and the link writes its properties to the developer log instead.
class PlcPropertiesView {
public:
    virtual ~PlcPropertiesView() = default;
    virtual void showPlcProperties(PlcLink &link) = 0;
};
