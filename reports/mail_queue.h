// The mail queue: messages written as files for a mailer outside the program.
#pragma once

#include "platform/ui.h"

// Where the search for a free slot begins; 0 at start.
extern int gMailSlot;

// The check a notice belongs to.
enum class DateCheck { Review, Expiry };

// Queues one message as "<MailQueue><n>.tsm" (written as ".tmp" first). 0 when queued or when
// the file could not be written (reported, M058); -1 when the queue is full (reported, M057).
int QueueMail(const char* recipient, const char* subject, const char* attachment, const char* body);

// Queues the due-date notice of a document to its owner: the value of the first of the first
// tagCount page tags whose name contains the check's owner tag. 0.
int QueueOwnerNotice(platform::WindowHandle owner, const char* documentPath, int tagCount,
                     DateCheck check);

// Queues the report of a check to the site administrator, when an address is configured. 0.
int QueueAdminMail(DateCheck check, const char* reportPath);
