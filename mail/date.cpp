// The received date of a mail message, as the text "%Y/%m/%d %H:%M" in local time.
#include "mail/message.h"

#include <cstdlib>
#include <cstring>

void CNuMailMessage::SetDateReceived(const CTime& time) {
  MapiMessage& message = Editable();
  delete[] message.lpszDateReceived;
  message.lpszDateReceived = nullptr;
  message.lpszDateReceived = new char[17];
  const CString text = time.Format("%Y/%m/%d %H:%M");
  // A year beyond four digits would not fit; the text is cut rather than overrun.
  std::strncpy(message.lpszDateReceived, text, 16);
  message.lpszDateReceived[16] = '\0';
}

int CNuMailMessage::GetDateReceived(CTime& time) const {
  // Empty when null or when the message was freed.
  const CString text(m_pMessage != nullptr ? m_pMessage->lpszDateReceived : nullptr);
  const int minute = std::atoi(text.Mid(14, 2));
  const int hour = std::atoi(text.Mid(11, 2));
  const int day = std::atoi(text.Mid(8, 2));
  const int month = std::atoi(text.Mid(5, 2));
  const int year = std::atoi(text.Mid(0, 4));
  time = CTime(year, month, day, hour, minute, 0, -1);
  return 0;
}
