// The "JPEG Information" dialog: says whether a file is a colour or a greyscale JPEG.
#pragma once

#include "kovalin/Bevel.h"
#include "kovalin/Button.h"
#include "kovalin/Form.h"
#include "kovalin/Label.h"

#include <memory>

namespace kvjpeg {

class TfrmInfo : public kovalin::TForm {
public:
    TfrmInfo();

    std::unique_ptr<kovalin::TBevel> bvlFrame;
    std::unique_ptr<kovalin::TLabel> lblColor;
    std::unique_ptr<kovalin::TButton> btnOK;

private:
    void btnOKClick();
};

} // namespace kvjpeg
